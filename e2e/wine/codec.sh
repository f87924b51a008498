# The virtual codec for the end-to-end suite: load its driver into the
# current Wine prefix and drive it with koru-codec.exe. Source this file.
#
# The suite sets WINEPREFIX and DISPLAY and keeps `wineserver64 -p` running;
# these functions rely on that. Every function prints what went wrong on
# stderr and returns non-zero on failure.
#
#   codec_load DIR           install and start DIR/koru-codec.sys, wait for the interface
#   codec_send ARGS...       koru-codec.exe ARGS (jack N, fail, bytes 0, state N, clear)
#   codec_log [files]        the driver's request log, one request per line
#   codec_log_has LINE       whether the log holds exactly LINE
#   codec_wait_log LINE [S]  waits up to S seconds (10) until the log holds LINE
#   codec_log_count LINE     how many lines of the log are exactly LINE
#   codec_log_of [others]    the log of the connector's handles, or of the others
#   codec_expect_log WHICH EXPECTED [S]
#                            waits until codec_log_of WHICH is exactly EXPECTED
#
# For the suite (run.sh with lib.sh's helpers) it also gives CODEC_PROGRAMS,
# driver_log_text and run_codec_checks, at the end of this file.
#
# Wine loads the driver again by itself whenever a new wineserver starts in a
# prefix where it was installed (its device node names the service); it
# cannot unload it: `net stop koru-codec` reports success and the driver
# stays loaded.

CODEC_WINE=${CODEC_WINE:-/usr/lib/wine/wine64}
CODEC_TOOL=
# The files beside the service that the suite installs with it.
CODEC_PROGRAMS=(koru-codec.exe koru-codec.sys)

# A Linux path as Wine's Z: drive shows it.
codec__windows_path() {
  local path
  path=$(readlink -f "$1") || return 1
  printf 'Z:%s' "${path//\//\\}"
}

codec__require_tool() {
  if [[ -z $CODEC_TOOL ]]; then
    echo "codec: no driver loaded yet (call codec_load DIR first)" >&2
    return 1
  fi
}

codec_load() {
  local dir=${1:?codec_load: the directory of koru-codec.exe and koru-codec.sys}
  local file
  for file in koru-codec.exe koru-codec.sys; do
    if [[ ! -f $dir/$file ]]; then
      echo "codec: $dir/$file is missing (build the koru-codec targets)" >&2
      return 1
    fi
  done
  if [[ -z ${WINEPREFIX:-} ]]; then
    echo "codec: WINEPREFIX is not set" >&2
    return 1
  fi
  CODEC_TOOL=$(readlink -f "$dir/koru-codec.exe")
  if ! "$CODEC_WINE" "$CODEC_TOOL" install "$(codec__windows_path "$dir/koru-codec.sys")"; then
    echo "codec: installing the driver in $WINEPREFIX failed" >&2
    return 1
  fi
  # net start fails with "already running" after a reload; the interface
  # check below is what counts.
  "$CODEC_WINE" net start koru-codec >/dev/null 2>&1 || true
  if ! "$CODEC_WINE" "$CODEC_TOOL" wait 10; then
    echo "codec: the driver did not bring up the codec's interface" >&2
    return 1
  fi
}

codec_send() {
  codec__require_tool || return 1
  if ! "$CODEC_WINE" "$CODEC_TOOL" "$@"; then
    echo "codec: koru-codec.exe $* failed" >&2
    return 1
  fi
}

codec_log() {
  codec__require_tool || return 1
  local log
  if ! log=$("$CODEC_WINE" "$CODEC_TOOL" log "$@"); then
    echo "codec: reading the driver's request log failed" >&2
    return 1
  fi
  # The console tool writes Windows line ends.
  log=${log//$'\r'/}
  [[ -z $log ]] || printf '%s\n' "$log"
}

codec_log_count() {
  local log
  log=$(codec_log) || return 1
  grep -cxF -- "$1" <<<"$log" || true
}

codec_log_has() {
  local count
  count=$(codec_log_count "$1") || return 1
  ((count > 0))
}

codec_wait_log() {
  local line=$1 seconds=${2:-10}
  local deadline=$((SECONDS + seconds))
  while ((SECONDS <= deadline)); do
    codec_log_has "$line" && return 0
    sleep 0.2
  done
  echo "codec: no \"$line\" in the driver's request log after ${seconds} s; the log:" >&2
  codec_log | sed 's/^/  /' >&2
  return 1
}

# The log of the connector's handles (those that carried a jack-state
# request) or, with "others", of every other handle, such as the switch
# window watcher's; without the file numbers.
codec_log_of() {
  local want=connector
  [[ ${1:-} == others ]] && want=others
  codec_log files | awk -v want="$want" '
    { file[NR] = $1; line[NR] = substr($0, index($0, " ") + 1)
      if (line[NR] ~ /^JACKSTATE_/) connector[$1] = 1 }
    END { for (i = 1; i <= NR; i++)
            if ((file[i] in connector) == (want == "connector")) print line[i] }'
}

# Waits up to S seconds until codec_log_of WHICH is exactly EXPECTED (lines);
# prints the difference when it is not.
codec_expect_log() {
  local which=$1 expected=$2 seconds=${3:-10}
  local deadline=$((SECONDS + seconds)) seen
  while :; do
    seen=$(codec_log_of "$which") || return 1
    [[ $seen == "$expected" ]] && return 0
    ((SECONDS <= deadline)) || break
    sleep 0.2
  done
  echo "codec: the driver's log of the $which handles is not as expected:" >&2
  diff -u <(printf '%s\n' "$expected") <(printf '%s\n' "$seen") | tail -n +3 | sed 's/^/  /' >&2
  return 1
}

# ---- checks of the end-to-end suite (run.sh, with the helpers of lib.sh) ----

# What the suite shows of the driver when a check fails.
driver_log_text() { codec_log files; }

# The feature word of these checks: everything of the default word but the
# endpoint property (Wine has no policy-config objects), and the switch
# window's answer passed to the driver.
CODEC_FEATURES=0x1DF

codec__set_features() {
  "$CODEC_WINE" reg add 'HKEY_CLASSES_ROOT\KoruAudio' /v ServiceVersion /t REG_DWORD /d "$1" /f \
    >/dev/null 2>&1 || { say "cannot set ServiceVersion to $1"; return 1; }
}

codec__start_service() {
  local out
  out=$(run_exe koru-svc.exe start "$SERVICE" | tr -d '\r') || { say "$out"; return 1; }
  [[ $out == *"state RUNNING"* ]] || { say "the service did not start: $out"; return 1; }
}

codec__stop_service() {
  local out
  out=$(run_exe koru-svc.exe stop "$SERVICE" | tr -d '\r') || { say "$out"; return 1; }
  [[ $out == *"state STOPPED"* ]] || { say "the service did not stop: $out"; return 1; }
}

# Starts the service on a cleared log with the current jack state STATE and
# waits for its first jack-state notification to wait in the driver.
codec__connect() {
  codec_send state "$1" && codec_send clear && codec__start_service || return 1
  codec_wait_log "JACKSTATE_NOTIFY out=1 -> pending" 10
}

check_codec_load() {
  codec_load "$INSTALL_DIR" || return 1
  say "the codec's interface is present"
}

# The connector's log so far, without the notification that waits last.
CODEC_CONNECTOR_LOG=

# codec__jack_step TYPE LINES OTHERS NOTE: a jack event of TYPE completes the
# waiting notification; the connector's handle then carries LINES (may be
# empty) and a new notification that waits; OTHERS, when not empty, is the
# whole log of the other handles.
codec__jack_step() {
  local type=$1 lines=$2 others=$3 note=$4 nl=$'\n'
  codec_send jack "$type" || return 1
  CODEC_CONNECTOR_LOG+="JACKSTATE_NOTIFY out=1 -> $type$nl${lines:+$lines$nl}"
  codec_expect_log connector "${CODEC_CONNECTOR_LOG}JACKSTATE_NOTIFY out=1 -> pending" || return 1
  [[ -z $others ]] || codec_expect_log others "$others" || return 1
  say "jack $type: $note"
}

# Jack events 0, 1, 2 and 4 after a start on the speakers: the finish
# requests and their bytes, the dropped repeat, the switch windows that the
# service ends (answer 4) and the fresh initial request after the reset.
check_codec_jack_cycle() {
  codec__set_features "$CODEC_FEATURES" || return 1
  codec__connect 0 || return 1
  CODEC_CONNECTOR_LOG=$'JACKSTATE_INITIAL out=1 -> 0\nFINISH_SPEAKER in=0\n'
  codec_expect_log connector "${CODEC_CONNECTOR_LOG}JACKSTATE_NOTIFY out=1 -> pending" || return 1
  say "start: the initial state 0, finished as speaker"

  codec__jack_step 0 '' '' "the same type again, dropped without a finish request" &&
    codec__jack_step 1 'FINISH_HEADPHONE in=0' '' "finished as headphone" &&
    codec__jack_step 2 'FINISH_HEADPHONE in=0' 'FINISH_HEADPHONE in=4' \
      "finished as headphone; the first switch window ended by the service, answer 4" &&
    codec__jack_step 4 $'JACKSTATE_INITIAL out=1 -> 2\nFINISH_HEADPHONE in=0' \
      $'FINISH_HEADPHONE in=4\nFINISH_HEADPHONE in=4' \
      "no finish for the reset; the initial request reports 2, finished as headphone"
}

# Stopping the service while its jack-state request waits in the driver: the
# request is cancelled and the stop does not hang.
check_codec_stop_cancels() {
  local started=$SECONDS last
  codec__stop_service || return 1
  say "stopped in $((SECONDS - started)) s"
  # The cancelled request reaches the log when the driver has completed
  # it, which may be a moment after the manager reports STOPPED.
  local deadline=$((SECONDS + 10))
  while :; do
    last=$(codec_log_of connector | tail -n 1)
    [[ $last == 'JACKSTATE_NOTIFY out=1 -> cancelled' ]] && break
    ((SECONDS <= deadline)) || { say "the waiting request was not cancelled: $last"; return 1; }
    sleep 0.2
  done
  say "the waiting jack-state request was cancelled"
}

# The driver ends the connection: with a failed notification, or with one
# that succeeds with 0 bytes; nothing more is sent on that handle. An
# initial request with 0 bytes is taken as speaker.
check_codec_failures() {
  codec__end_connection fail 'JACKSTATE_NOTIFY out=1 -> error 0xC0000001' \
    "DeviceIoControl failed!" || return 1
  codec__end_connection 'bytes 0' 'JACKSTATE_NOTIFY out=1 -> 0 bytes' \
    "DeviceIoControl failed on bufferSize error!" || return 1

  codec_send bytes 0 && codec_send clear || return 1
  mark codec-initial-bytes || return 1
  codec__start_service || return 1
  codec_expect_log connector 'JACKSTATE_INITIAL out=1 -> 0 bytes
FINISH_SPEAKER in=0
JACKSTATE_NOTIFY out=1 -> pending' || return 1
  wait_trace codec-initial-bytes "DeviceIoControl failed on bufferSize error!" 5 || return 1
  wait_trace codec-initial-bytes "Type is: 0" 5 || return 1
  say "bytes 0 on the initial request: traced, then handled as speaker"
  codec__stop_service
}

# codec__end_connection COMMAND LAST TRACE: COMMAND completes the waiting
# notification as LAST shows it; the service traces TRACE and winds the
# connection down.
codec__end_connection() {
  local command=$1 last=$2 traced=$3 name=${1// /-}
  codec__connect 0 || return 1
  mark "codec-$name" || return 1
  # shellcheck disable=SC2086 # the command and its argument
  codec_send $command || return 1
  wait_trace "codec-$name" "$traced" 10 || return 1
  wait_trace "codec-$name" "Dispose exit" 10 || return 1
  [[ $(codec_log_of connector | tail -n 1) == "$last" ]] ||
    { say "$command: the log does not end with \"$last\""; codec_log files; return 1; }
  say "$command: \"$traced\", the connection wound down, nothing more sent"
  codec__stop_service
}

run_codec_checks() {
  check codec-load check_codec_load
  check codec-jack-cycle check_codec_jack_cycle
  check codec-stop-cancels check_codec_stop_cancels
  check codec-failures check_codec_failures
  codec__set_features 0xFF
}
