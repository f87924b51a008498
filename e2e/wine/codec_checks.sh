# The suite's own checks with the virtual codec loaded (sourced by run.sh
# after codec.sh, whose helpers they use): the switch window answered by a
# mouse click, and the early end that the endpoint property write brings
# under Wine with the default feature word.

SWITCH_WINDOW_TITLE="Audio device plugged in"
# The centre of the "Headphones" button (16, 106, 192, 134) in the switch
# window's client area; its exit code 1 is sent to the driver as answer 2.
HEADPHONES_BUTTON_X=104
HEADPHONES_BUTTON_Y=120

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

# A check that failed may have left the service running; the next one
# starts from a stopped service all the same.
stop_service_if_running() {
  local state
  state=$(run_exe koru-svc.exe query "$SERVICE" | tr -d '\r')
  grep -q '^state STOPPED ' <<<"$state" || codec__stop_service
}

screenshot() { import -window root "$LOGS/$1.png" 2>/dev/null && say "screenshot: $1.png in the logs"; }

# Headphones plugged in (jack 1) with the feature word 0x1df (the default
# 0xff without PropertySet 0x20, plus KoruAudioServiceSwitchUsed 0x100):
# the switch window opens with the argument 1, a click on "Headphones"
# answers it, and the service sends answer 2 on the watcher's own handle,
# then starts the switch of the default endpoints (role 0).
check_switch_window_click() {
  stop_service_if_running || return 1
  codec__set_features "$CODEC_FEATURES" || return 1
  mark switch || return 1
  codec__connect 0 || return 1
  local line
  for line in "serviceVersion.version 0x1df" "NonPropertySet Version" \
    "KoruAudioServiceSwitchUsed Version"; do
    wait_trace switch "$line" 5 || return 1
  done
  say "traced: the word 0x1df, NonPropertySet, KoruAudioServiceSwitchUsed"
  codec_send jack 1 || return 1
  wait_until 15 switch_window_shown ||
    { say "no window \"$SWITCH_WINDOW_TITLE\""; screenshot no-window; return 1; }
  say "window \"$SWITCH_WINDOW_TITLE\" shown"
  wait_until 15 click_headphones ||
    { say "no answer 2 after clicking \"Headphones\""; screenshot no-answer; return 1; }
  say "clicked \"Headphones\""
  wait_until 10 switch_window_gone || { say "the window stayed"; return 1; }
  for line in "Start to popup KoruAudioSwitchWindow" "$INSTALL_DIR_WIN\\KoruAudioSwitchWindow.exe" \
    "JackNotifyFinish succeed! Finish type is: HEADPHONE" \
    "Start to change the endpoint, eRole is: 0"; do
    wait_trace switch "$line" 10 || return 1
  done
  codec_expect_log connector 'JACKSTATE_INITIAL out=1 -> 0
FINISH_SPEAKER in=0
JACKSTATE_NOTIFY out=1 -> 1
FINISH_HEADPHONE in=0
JACKSTATE_NOTIFY out=1 -> pending' || return 1
  codec_expect_log others 'FINISH_HEADPHONE in=2' || return 1
  say "the driver: FINISH_HEADPHONE in=0 from the connector, in=2 on the watcher's handle"
  codec__stop_service
}

# The default word 0xff: PropertySet is on, and the first write of the
# endpoint property, after the first acknowledgement, fails under Wine (no
# policy-config objects), which ends the connection right there while the
# service runs on.
check_property_write_end() {
  stop_service_if_running || return 1
  codec__set_features 0xFF || return 1
  codec_send state 0 && codec_send clear || return 1
  mark propertyset || return 1
  codec__start_service || return 1
  local line
  for line in "serviceVersion.version 0xff" "PropertySet Version" "SetCustomAValue entry" \
    "Dispose exit"; do
    wait_trace propertyset "$line" 10 || return 1
  done
  if messages_since propertyset | grep -E '^Set PropertyKey to|^Device Init Failed' >/dev/null; then
    say "the connection did not end at the property write"
    return 1
  fi
  say "traced: PropertySet on, \"SetCustomAValue entry\", then the wind-down"
  codec_expect_log connector 'JACKSTATE_INITIAL out=1 -> 0
FINISH_SPEAKER in=0' || return 1
  say "the driver: the start-up query and the speaker's acknowledgement, nothing after"
  local state
  state=$(run_exe koru-svc.exe query "$SERVICE" | tr -d '\r')
  grep -q '^state RUNNING ' <<<"$state" || { say "$state"; return 1; }
  say "the service runs on: $state"
  codec__stop_service
}

run_suite_codec_checks() {
  check switch-window-click check_switch_window_click
  check property-write-end check_property_write_end
}
