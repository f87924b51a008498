#!/usr/bin/env bash
# Runs the fuzz target for the given number of seconds (not built yet).
echo "fuzz: no target yet"
