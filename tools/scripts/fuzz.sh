#!/usr/bin/env bash
# Builds the fuzz target (the fuzz preset) and runs it for SECONDS seconds.
#
#   tools/scripts/fuzz.sh SECONDS [BUILD_DIR]
#
# The corpus grows in BUILD_DIR/fuzz-corpus, starting from the committed
# seed corpus; it is emptied first unless KORU_FUZZ_KEEP_CORPUS=1, since
# libFuzzer replays a kept corpus in full before the time starts to count
# (over a minute for an eleven-minute run's corpus). An input that breaks
# an invariant (or crashes) is kept in BUILD_DIR/fuzz-crashes and fails the
# script.
set -euo pipefail
seconds="${1:?usage: fuzz.sh SECONDS [BUILD_DIR]}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
build="${2:-$root/build/fuzz}"

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset fuzz -S "$root" -B "$build"
fi
nice cmake --build "$build" -j2 --target koru-fuzz

corpus="$build/fuzz-corpus"
crashes="$build/fuzz-crashes"
if [ "${KORU_FUZZ_KEEP_CORPUS:-0}" != 1 ]; then
  rm -rf "$corpus"
fi
mkdir -p "$corpus" "$crashes"
target="$build/tools/koru-fuzz/koru-fuzz"

# The machine keeps its state for the whole process, and threads it gave up
# stay parked: leaks are the audits' business (handles and COM objects), not
# LeakSanitizer's, at each input or at the end.
export ASAN_OPTIONS="detect_leaks=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
status=0
# A fixed seed by default, so that the short run CI makes goes the same
# way each time and a change that breaks it is what fails the gate;
# KORU_FUZZ_SEED=0 lets libFuzzer pick one (for longer runs).
"$target" -seed="${KORU_FUZZ_SEED:-1}" -max_total_time="$seconds" -max_len=256 -timeout=60 \
  -artifact_prefix="$crashes/" -print_final_stats=1 \
  "$corpus" "$root/tools/koru-fuzz/corpus" || status=$?

if [ "$status" -ne 0 ]; then
  reproducer="$(ls -t "$crashes"/* 2>/dev/null | head -n 1 || true)"
  echo "fuzz: the target failed (status $status); reproducer: ${reproducer:-none written}" >&2
  echo "fuzz: its scenario: KORU_FUZZ_SCENARIO=found.scn $target ${reproducer:-REPRODUCER}" >&2
  echo "fuzz: then replay it with koru-sim run found.scn and the --seed it names" >&2
  exit 1
fi
