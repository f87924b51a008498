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
  "$CODEC_WINE" net start koru-codec >/dev/null 2>&1
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
