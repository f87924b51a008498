# Helpers of the end-to-end suite under Wine (sourced by run.sh): the
# machine it runs on (Xvfb, a PulseAudio null sink, a Wine prefix with a
# persistent server), running the Windows programs, polling, the trace and
# the named checks.

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
SERVICE=KoruAudioService
# Where the programs are installed in the prefix: a directory with a blank
# in its name, as on a real machine.
INSTALL_DIR_WIN='C:\Program Files\Koru Audio'

say() { printf '%s\n' "$*"; }

# Runs a command every 0.1 s until it succeeds or TIMEOUT seconds passed.
wait_until() {
  local timeout=$1
  shift
  local end=$(($(date +%s%N) + timeout * 1000000000))
  until "$@"; do
    [ "$(date +%s%N)" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# ---- the machine --------------------------------------------------------------

# Xvfb picks a free display itself and writes its number when it is ready,
# so that runs side by side never share one.
start_xvfb() {
  local fd
  exec {fd}>"$RUN/display"
  Xvfb -displayfd "$fd" -screen 0 1024x768x24 -nolisten tcp >"$LOGS/xvfb.log" 2>&1 &
  XVFB_PID=$!
  exec {fd}>&-
  wait_until 10 test -s "$RUN/display" || { say "Xvfb did not come up"; return 1; }
  export DISPLAY=":$(head -n 1 "$RUN/display")"
}

# A PulseAudio daemon of the suite's own, with one null sink: Wine then
# sees a default render endpoint.
start_pulse() {
  export PULSE_RUNTIME_PATH="$RUN/pulse"
  mkdir -p "$PULSE_RUNTIME_PATH" "$RUN/home"
  HOME="$RUN/home" pulseaudio --daemonize=yes --exit-idle-time=-1 -n \
    --load="module-null-sink sink_name=spk" --load=module-native-protocol-unix \
    >"$LOGS/pulse.log" 2>&1 || { say "pulseaudio did not start"; return 1; }
  export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
  wait_until 10 test -S "$PULSE_RUNTIME_PATH/native" || { say "no PulseAudio socket"; return 1; }
  PULSE_PID=$(cat "$PULSE_RUNTIME_PATH/pid" 2>/dev/null || true)
}

# A booted prefix without Mono and Gecko, kept under the build directory and
# copied for each run (a fresh boot costs several seconds).
ensure_template() {
  local template="$STATE/template" version
  version=$("$WINE" --version 2>/dev/null || echo unknown)
  if [ -f "$template/.koru-wine-version" ] && [ "$(cat "$template/.koru-wine-version")" = "$version" ]; then
    return 0
  fi
  say "preparing a template Wine prefix ($version)"
  rm -rf "$template"
  local new
  new=$(mktemp -d "$STATE/template.XXXXXX")
  WINEPREFIX="$new" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all \
    timeout -k 5 120 "$WINE" wineboot -i >"$LOGS/template-boot.log" 2>&1
  WINEPREFIX="$new" "$WINESERVER" -k 2>/dev/null || true
  WINEPREFIX="$new" timeout 20 "$WINESERVER" -w 2>/dev/null || true
  if [ ! -f "$new/system.reg" ]; then
    say "wineboot did not prepare a prefix:"
    tail -n 20 "$LOGS/template-boot.log"
    rm -rf "$new"
    return 1
  fi
  echo "$version" >"$new/.koru-wine-version"
  # A run beside this one may have finished its template first.
  mv -T "$new" "$template" 2>/dev/null || rm -rf "$new"
}

# The prefix of this run, its persistent server, and services.exe started
# by a process whose stderr the suite keeps (the service's own stderr and
# Wine's messages about it end up there).
start_wine() {
  ensure_template
  cp -a "$STATE/template" "$RUN/prefix"
  export WINEPREFIX="$RUN/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  "$WINESERVER" -p
  WINESERVER_STARTED=1
  # Wine's error messages on (events among them), its notes on missing
  # features off.
  WINEDEBUG=fixme-all "$WINE" cmd /c exit 0 >/dev/null 2>"$LOGS/services.err"
  INSTALL_DIR="$WINEPREFIX/drive_c/Program Files/Koru Audio"
  mkdir -p "$INSTALL_DIR"
}

stop_machine() {
  if [ -n "${WINESERVER_STARTED:-}" ]; then
    "$WINESERVER" -k 2>/dev/null || true
    timeout 20 "$WINESERVER" -w 2>/dev/null || true
  fi
  if [ -n "${PULSE_PID:-}" ]; then
    kill "$PULSE_PID" 2>/dev/null || true
  elif [ -n "${PULSE_RUNTIME_PATH:-}" ]; then
    HOME="$RUN/home" pulseaudio --kill 2>/dev/null || true
  fi
  [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
}

# ---- programs -----------------------------------------------------------------

# Runs a Windows program; stdout and stderr as Wine gives them. None of the
# suite's takes a minute: one that hangs is ended.
# An exit code other than 0 is noted on stderr (a check's log), since a
# caller may keep only the program's output.
run_wine() {
  local code=0
  timeout --foreground -k 5 60 "$WINE" "$@" || code=$?
  [ "$code" -eq 0 ] || say "(wine $* exited with $code)" >&2
  return "$code"
}

# Runs one of the installed programs.
run_exe() {
  local exe=$1
  shift
  run_wine "$INSTALL_DIR_WIN\\$exe" "$@"
}

# A Unix path as the Windows programs see it (drive Z: is the root).
win_path() { printf 'Z:%s' "${1//\//\\}"; }

# ---- the trace ----------------------------------------------------------------

TRACE_FRAME='^\[[0-9]+\] [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} \[([0-9]+)\] '"$SERVICE"' (.*)$'

start_viewer() {
  TRACE="$LOGS/trace.log"
  "$WINE" "$INSTALL_DIR_WIN\\koru-trace.exe" --file "$(win_path "$TRACE")" \
    >"$LOGS/viewer.out" 2>"$LOGS/viewer.err" &
  VIEWER_PID=$!
  wait_until 20 test -f "$TRACE" || { say "the trace viewer did not start"; return 1; }
}

# Writes a marker line to the debug output and waits until the viewer has
# it, so that everything traced later follows it in the trace file.
mark() {
  run_exe koru-svc.exe trace "koru-e2e mark $1" >/dev/null 2>&1
  wait_until 10 grep -qF "koru-e2e mark $1" "$TRACE" || { say "marker $1 never arrived"; return 1; }
}

# The service's messages (without time and process id) since marker NAME.
messages_since() {
  awk -v m="koru-e2e mark $1" 'seen; index($0, m) { seen = 1 }' "$TRACE" |
    sed -n -E "s/$TRACE_FRAME/\2/p"
}

# Reads the whole stream (grep -q would end the pipe early, which pipefail
# counts as a failure).
traced_since() { messages_since "$1" | grep -xF -- "$2" >/dev/null; }

wait_trace() {
  wait_until "$3" traced_since "$1" "$2" || { say "not traced within $3 s: \"$2\""; return 1; }
}

# Every line that the service's process wrote since marker NAME is in the
# trace frame "hh:mm:ss.mmm [pid] KoruAudioService message" with the
# writer's own process id. Prints the process id and the number of lines.
expect_frame() {
  awk -v m="koru-e2e mark $1" -v tag="$SERVICE" '
    seen && pid == "" && match($0, / \[[0-9]+\] /) && index($0, "] " tag " ") {
      pid = substr($1, 2, length($1) - 2)
    }
    seen && pid != "" && $1 == "[" pid "]" {
      lines++
      if ($0 !~ "^\\[" pid "\\] [0-9][0-9]:[0-9][0-9]:[0-9][0-9]\\.[0-9][0-9][0-9] \\[" pid "\\] " tag " ") {
        if (bad < 5) print "not in the frame: " $0
        bad++
      }
    }
    index($0, m) { seen = 1 }
    END {
      if (pid == "") { print "no line of the service"; exit 1 }
      if (bad) exit 1
      print lines " lines of process " pid ", all in the frame with its own process id"
    }' "$TRACE"
}

# Compares the first messages since marker NAME with an expected file, one
# message per line ('#' lines are comments). Prints the difference.
expect_messages() {
  local expected=$2 count
  grep -v '^#' "$expected" >"$LOGS/expected.txt"
  count=$(wc -l <"$LOGS/expected.txt")
  if ! diff -u "$LOGS/expected.txt" <(messages_since "$1" | head -n "$count") >"$LOGS/diff.txt"; then
    say "the trace differs from $(basename "$expected"):"
    cat "$LOGS/diff.txt"
    return 1
  fi
  say "$count messages as expected ($(basename "$expected"))"
}

# ---- named checks -------------------------------------------------------------

FAILED_CHECKS=()
PASSED_CHECKS=()

show_failure_context() {
  say "  -- trace (last 60 lines of $TRACE)"
  tail -n 60 "${TRACE:-/dev/null}" 2>/dev/null | sed 's/^/  | /' || true
  if declare -F driver_log_text >/dev/null && [ -n "${CODEC_TOOL:-}" ]; then
    say "  -- the driver's request log"
    driver_log_text 2>&1 | tail -n 40 | sed 's/^/  | /' || true
  fi
  say "  -- Wine stderr of the service side (last 20 lines)"
  { grep -v '^ALSA lib' "$LOGS/services.err" 2>/dev/null || true; } | tail -n 20 | sed 's/^/  | /'
}

# check NAME FUNCTION [ARGS...]: runs the function, prints what it said and
# PASS or FAIL; a failure also prints the trace, the driver's log and the
# tail of Wine's stderr.
check() {
  local name=$1
  shift
  say ""
  say "==== check: $name"
  if "$@" >"$LOGS/check-$name.log" 2>&1; then
    sed 's/^/  /' "$LOGS/check-$name.log"
    say "PASS $name"
    PASSED_CHECKS+=("$name")
  else
    sed 's/^/  /' "$LOGS/check-$name.log"
    say "FAIL $name"
    FAILED_CHECKS+=("$name")
    show_failure_context
  fi
}
