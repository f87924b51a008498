#!/usr/bin/env bash
# Every quality gate: formatting, the host build with its tests under
# AddressSanitizer + UndefinedBehaviorSanitizer (unit tests and scenarios),
# the threaded tests under ThreadSanitizer, and the Windows cross build,
# all with warnings as errors.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/tools/scripts/setup.sh"
koru_install_missing

cd "$root"
step() { printf '\n==== %s\n' "$*"; }

step "clang-format"
files=$(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror $files; then
  echo "clang-format: run 'clang-format -i' on the files above" >&2
  exit 1
fi

step "host build (AddressSanitizer + UndefinedBehaviorSanitizer)"
cmake --preset host
cmake --build --preset host
step "host tests"
ctest --preset host

step "ThreadSanitizer build"
cmake --preset host-tsan
cmake --build --preset host-tsan
step "ThreadSanitizer tests"
ctest --preset host-tsan

step "Windows cross build (MinGW-w64)"
cmake --preset windows
cmake --build --preset windows
ls -l build/windows/windows/KoruAudioService.exe

step "fuzzing (libFuzzer, 60 s)"
"$root/tools/scripts/fuzz.sh" 60

step "end-to-end suite under Wine"
"$root/e2e/wine/run.sh"

step "all gates passed"
