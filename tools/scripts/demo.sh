#!/usr/bin/env bash
# The demo: builds the service for the simulated machine and plays
# scenarios/demo.scn with its trace. The demo laptop keeps its settings
# between runs in ~/.koru-audio-demo (delete the folder for a clean machine).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/tools/scripts/setup.sh"
koru_install_missing

cd "$root"
cmake --preset host >/dev/null
cmake --build --preset host --target koru-sim
state="${KORU_DEMO_STATE:-$HOME/.koru-audio-demo}"
exec build/host/tools/koru-sim/koru-sim run scenarios/demo.scn --trace --state "$state" "$@"
