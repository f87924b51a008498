#!/usr/bin/env bash
# The end-to-end suite under Wine: the Windows build of the service, its
# popups, the virtual codec driver and the suite's clients, installed in a
# fresh Wine prefix (under "C:\Program Files\Koru Audio\") with an X server
# and a PulseAudio sink of its own. Each named check prints PASS or FAIL;
# the exit code is the number of failed checks (capped at 100).
#
#   e2e/wine/run.sh                      uses build/windows (built when missing)
#   KORU_WINE_BUILD=DIR e2e/wine/run.sh  another Windows build directory
#   KORU_E2E_KEEP=1                      keeps the run's prefix and logs in /tmp
#   KORU_E2E_LIMIT_S=N                   ends the suite after N s (280)
set -euo pipefail
# The whole suite within a limit: at its end the suite gets SIGTERM, and its
# trap still cleans up (--foreground keeps Ctrl+C working from a terminal).
if [ -z "${KORU_E2E_LIMITED:-}" ]; then
  KORU_E2E_LIMITED=1 exec timeout --foreground -k 30 "${KORU_E2E_LIMIT_S:-280}" "$0" "$@"
fi
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
here="$root/e2e/wine"
source "$root/tools/scripts/setup.sh"
koru_install_missing "${KORU_WINE_PACKAGES[@]}"
source "$here/lib.sh"
source "$here/checks.sh"
if [ -f "$here/codec.sh" ]; then
  source "$here/codec.sh"
  source "$here/codec_checks.sh"
fi

BUILD="${KORU_WINE_BUILD:-$root/build/windows}"
PROGRAMS=(KoruAudioService.exe KoruPopupWindow.exe KoruAudioSwitchWindow.exe ChimeWindow.exe
  koru-trace.exe koru-svc.exe koru-dbwin.exe ${CODEC_PROGRAMS[@]+"${CODEC_PROGRAMS[@]}"})

# Where the build wrote one of the programs: beside the service, or in the
# folder of its own target.
built() {
  local dir
  for dir in "$BUILD/windows" "$BUILD/windows/virtual-codec"; do
    [ -f "$dir/$1" ] && { echo "$dir/$1"; return 0; }
  done
  return 1
}

ensure_build() {
  local exe
  for exe in "${PROGRAMS[@]}"; do
    built "$exe" >/dev/null || {
      say "building the Windows preset in $BUILD ($exe is missing)"
      (cd "$root" && cmake --preset windows -B "$BUILD" && cmake --build "$BUILD")
      return
    }
  done
}

install_programs() {
  local exe
  for exe in "${PROGRAMS[@]}"; do
    cp "$(built "$exe")" "$INSTALL_DIR/"
  done
}

cleanup() {
  local status=$?
  set +e
  stop_machine
  if [ -n "${RUN:-}" ] && [ -d "$RUN" ]; then
    rm -rf "$STATE/last-run"
    cp -a "$LOGS" "$STATE/last-run" 2>/dev/null
    if [ -n "${KORU_E2E_KEEP:-}" ]; then
      say "kept $RUN"
    else
      rm -rf "$RUN"
    fi
  fi
  exit "$status"
}

main() {
  local started=$SECONDS
  ensure_build
  STATE="$BUILD/e2e-wine"
  mkdir -p "$STATE"
  RUN=$(mktemp -d /tmp/koru-e2e.XXXXXX)
  LOGS="$RUN/logs"
  mkdir -p "$LOGS"
  trap cleanup EXIT
  trap 'say "e2e: stopped by a signal (the time limit is ${KORU_E2E_LIMIT_S:-280} s)"; exit 130' \
    INT TERM

  start_xvfb
  start_pulse
  start_wine
  install_programs
  start_viewer
  say "Wine prefix $WINEPREFIX, display $DISPLAY, programs in $INSTALL_DIR_WIN"

  run_checks

  say ""
  say "==== $((${#PASSED_CHECKS[@]} + ${#FAILED_CHECKS[@]})) checks, ${#PASSED_CHECKS[@]} passed," \
    "${#FAILED_CHECKS[@]} failed${FAILED_CHECKS[*]:+: ${FAILED_CHECKS[*]}}"
  print_uncovered
  say "e2e: $((SECONDS - started)) s; logs in $STATE/last-run"
  local failed=${#FAILED_CHECKS[@]}
  return $((failed > 100 ? 100 : failed))
}

main "$@"
