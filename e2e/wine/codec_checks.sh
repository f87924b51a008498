# The checks with the virtual codec loaded (sourced by run.sh after
# codec.sh): jack events, the switch window's answer, the end of a
# connection, and the end that the endpoint property write brings under
# Wine.

SWITCH_WINDOW_TITLE="Audio device plugged in"
# The centre of the "Headphones" button (16, 106, 192, 134) in the switch
# window's client area; its exit code 1 is sent to the driver as answer 2.
HEADPHONES_BUTTON_X=104
HEADPHONES_BUTTON_Y=120

set_feature_word() {
  "$WINE" reg add 'HKEY_CLASSES_ROOT\KoruAudio' /v ServiceVersion /t REG_DWORD /d "$1" /f \
    >/dev/null 2>&1 || { say "cannot set ServiceVersion to $1"; return 1; }
}

start_service() {
  local out
  out=$(run_exe koru-svc.exe start "$SERVICE" | tr -d '\r') || { say "$out"; return 1; }
  grep -q '^state RUNNING ' <<<"$out" || { say "$out"; return 1; }
}

stop_service() {
  local out
  out=$(run_exe koru-svc.exe stop "$SERVICE" | tr -d '\r') || { say "$out"; return 1; }
}

# The driver's log split by the file that sent each request: the connector
# routine's handle is the one that sent the first start-up query; the
# switch-window watcher answers on a handle of its own.
connector_file() { sed -n -E 's/^file=([0-9]+) JACKSTATE_INITIAL .*/\1/p' <<<"$1" | head -n 1; }

connector_log() {
  local log file
  log=$(codec_log files) || return 1
  file=$(connector_file "$log")
  [ -n "$file" ] || return 0
  sed -n -E "s/^file=$file //p" <<<"$log"
}

watcher_log() {
  local log file
  log=$(codec_log files) || return 1
  file=$(connector_file "$log")
  grep -vE "^file=$file " <<<"$log" | sed -E 's/^file=[0-9]+ //' || true
}

connector_log_is() { [ "$(connector_log)" = "$1" ]; }

connector_request_failed() { connector_log | grep -E "^JACKSTATE_NOTIFY out=1 -> error " >/dev/null; }

# Waits until the requests on the connector's handle are exactly the lines
# given, the last one normally the request the driver holds.
wait_connector_log() {
  local expected
  expected=$(printf '%s\n' "$@")
  if ! wait_until 10 connector_log_is "$expected"; then
    say "the connector's requests are not as expected; expected:"
    say "$expected" | sed 's/^/    /'
    say "  got:"
    connector_log | sed 's/^/    /'
    return 1
  fi
  say "connector's requests: $(tail -n 3 <<<"$expected" | paste -sd '|' | sed 's/|/ | /g')"
}

switch_window() { xdotool search --onlyvisible --name "$SWITCH_WINDOW_TITLE" 2>/dev/null | head -n 1; }

switch_window_shown() { [ -n "$(switch_window)" ]; }

switch_window_gone() { [ -z "$(switch_window)" ]; }

# Clicks "Headphones" until the driver has the answer: a click that comes
# before the window takes input is lost, so it is repeated while the window
# is still there.
click_headphones() {
  codec_log_has "FINISH_HEADPHONE in=2" && return 0
  local window X Y WIDTH HEIGHT SCREEN WINDOW
  window=$(switch_window)
  if [ -n "$window" ]; then
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool mousemove $((X + HEADPHONES_BUTTON_X)) $((Y + HEADPHONES_BUTTON_Y)) click 1
    sleep 0.5
  fi
  return 1
}

screenshot() { import -window root "$LOGS/$1.png" 2>/dev/null && say "screenshot: $1.png in the logs"; }

# Start with the codec loaded and the feature word 0x1df: the default 0xff
# without PropertySet (0x20), whose endpoint write ends the connection under
# Wine, and with KoruAudioServiceSwitchUsed (0x100), so that the service
# passes the switch window's answer to the driver.
check_codec_start() {
  codec_load "$INSTALL_DIR" || return 1
  set_feature_word 0x1df || return 1
  mark codec || return 1
  start_service || return 1
  wait_trace codec "Device connect successfully" 10 || return 1
  local line
  for line in "serviceVersion.version 0x1df" "NonPropertySet Version" \
    "KoruAudioServiceSwitchUsed Version" "Start to initialize" \
    "JackNotifyFinish succeed! Finish type is: SPEAKER"; do
    wait_trace codec "$line" 10 || return 1
  done
  say "traced: the word 0x1df, NonPropertySet, KoruAudioServiceSwitchUsed, the start-up query"
  wait_connector_log "JACKSTATE_INITIAL out=1 -> 0" "FINISH_SPEAKER in=0" \
    "JACKSTATE_NOTIFY out=1 -> pending"
}

CONNECTOR_AFTER_START=("JACKSTATE_INITIAL out=1 -> 0" "FINISH_SPEAKER in=0")

# Headphones plugged in (jack 1): the switch window opens, a click on
# "Headphones" answers it, and the service sends answer 2 on the watcher's
# own handle.
check_switch_window() {
  mark jack1 || return 1
  codec_send jack 1 || return 1
  wait_until 15 switch_window_shown || { say "no window \"$SWITCH_WINDOW_TITLE\""; screenshot no-window; return 1; }
  say "window \"$SWITCH_WINDOW_TITLE\" shown"
  if ! wait_until 15 click_headphones; then
    say "no answer 2 after clicking \"Headphones\""
    screenshot no-answer
    return 1
  fi
  say "clicked \"Headphones\""
  wait_until 10 switch_window_gone || { say "the window stayed"; return 1; }
  wait_trace jack1 "Start to popup KoruAudioSwitchWindow" 5 || return 1
  wait_trace jack1 "$INSTALL_DIR_WIN\\KoruAudioSwitchWindow.exe" 5 || return 1
  wait_trace jack1 "JackNotifyFinish succeed! Finish type is: HEADPHONE" 5 || return 1
  wait_trace jack1 "Start to change the endpoint, eRole is: 0" 10 || return 1
  wait_connector_log "${CONNECTOR_AFTER_START[@]}" "JACKSTATE_NOTIFY out=1 -> 1" \
    "FINISH_HEADPHONE in=0" "JACKSTATE_NOTIFY out=1 -> pending" || return 1
  [ "$(watcher_log)" = "FINISH_HEADPHONE in=2" ] ||
    { say "the watcher's requests: $(watcher_log)"; return 1; }
  say "the watcher's handle: FINISH_HEADPHONE in=2"
}

# Speaker (0), the second headphone kind (2) and a reset (4): each type
# change loads its output's settings and is acknowledged; the reset starts
# again with the start-up query, whose answer (2) is handled as a change.
# The window of the headphone event is ended by the pass after the reset,
# and its watcher sends answer 4.
check_codec_jacks() {
  local before=("${CONNECTOR_AFTER_START[@]}" "JACKSTATE_NOTIFY out=1 -> 1" "FINISH_HEADPHONE in=0")
  mark jacks || return 1
  codec_send jack 0 || return 1
  before+=("JACKSTATE_NOTIFY out=1 -> 0" "FINISH_SPEAKER in=0")
  wait_connector_log "${before[@]}" "JACKSTATE_NOTIFY out=1 -> pending" || return 1

  codec_send jack 2 || return 1
  before+=("JACKSTATE_NOTIFY out=1 -> 2" "FINISH_HEADPHONE in=0")
  wait_connector_log "${before[@]}" "JACKSTATE_NOTIFY out=1 -> pending" || return 1
  wait_until 15 switch_window_shown || { say "no switch window for the jack type 2"; return 1; }
  say "the switch window is shown again"

  codec_send jack 4 || return 1
  before+=("JACKSTATE_NOTIFY out=1 -> 4" "JACKSTATE_INITIAL out=1 -> 2" "FINISH_HEADPHONE in=0")
  wait_connector_log "${before[@]}" "JACKSTATE_NOTIFY out=1 -> pending" || return 1
  wait_trace jacks "Reveive reset information" 5 || return 1
  wait_trace jacks "Get type 2" 5 || return 1
  wait_until 10 codec_log_has "FINISH_HEADPHONE in=4" ||
    { say "no answer 4 for the window the reset's pass ended"; return 1; }
  say "traced: the reset and the type 2; the watcher's handle: $(watcher_log | paste -sd ',')"
}

# A failed jack-state request is the end of the connection: its workers end,
# the switch window it left is ended, the endpoint side is let go, and the
# service runs on without a connection (Wine reports no device arrival that
# would start a new one).
check_codec_end() {
  mark end || return 1
  codec_send fail || return 1
  wait_until 10 connector_request_failed ||
    { say "the pending request did not fail"; return 1; }
  say "connector's last request: $(connector_log | tail -n 1)"
  local line
  for line in "Thread_1 terminate" "Dispose exit"; do
    wait_trace end "$line" 10 || return 1
  done
  wait_until 10 switch_window_gone || { say "the switch window stayed"; return 1; }
  say "traced: the workers' end and the endpoint side's disposal; the switch window is gone"
  local state
  state=$(run_exe koru-svc.exe query "$SERVICE" | tr -d '\r')
  grep -q '^state RUNNING ' <<<"$state" || { say "$state"; return 1; }
  say "the service still runs: $state"
  stop_service
}

# The default word 0xff: PropertySet is on, and the first write of the
# endpoint property after the first acknowledgement fails under Wine (no
# policy-config objects), which ends the connection right there.
check_property_write_end() {
  codec_send clear || return 1
  codec_send state 0 || return 1
  set_feature_word 0xff || return 1
  mark propertyset || return 1
  start_service || return 1
  local line
  for line in "serviceVersion.version 0xff" "PropertySet Version" "SetCustomAValue entry" \
    "Dispose exit"; do
    wait_trace propertyset "$line" 10 || return 1
  done
  if traced_since propertyset "Device Init Failed" ||
    messages_since propertyset | grep '^Set PropertyKey to' >/dev/null; then
    say "the connection did not end at the property write"
    return 1
  fi
  say "traced: PropertySet on, \"SetCustomAValue entry\", then the wind-down"
  local log
  log=$(codec_log) || return 1
  [ "$log" = "$(printf '%s\n' "JACKSTATE_INITIAL out=1 -> 0" "FINISH_SPEAKER in=0")" ] ||
    { say "the driver's log: $log"; return 1; }
  say "the driver's log: the start-up query and the speaker's acknowledgement, nothing after"
  stop_service
}

driver_log_text() { [ -n "${CODEC_TOOL:-}" ] && codec_log files; }

run_codec_checks() {
  check codec-start check_codec_start
  check switch-window check_switch_window
  check codec-jacks check_codec_jacks
  check codec-end check_codec_end
  check property-write-end check_property_write_end
}
