# A normal start says nothing: the full-screen saver and a copy inside
# XScreenSaver's window print nothing on standard error, on a machine without
# a sound card too (the sound system is really tried, not the tests' disk
# driver). Asked with TESSALY_VERBOSE=1, a chime that cannot sound says so in
# one line.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

# The test's own audio file would hide what the real sound system prints.
unset SDL_AUDIODRIVER SDL_DISKAUDIOFILE

# quiet_run DESCRIPTION: the saver started by saver_start is on screen, runs a
# while, ends on SIGTERM; its standard error must stay empty.
quiet_run() {
    expect_running "$SAVER_PID" 2 "$1 ended on its own"
    kill -TERM "$SAVER_PID"
    wait_exit "$SAVER_PID" 10 || fail "$1 did not end on SIGTERM"
    [ "$EXIT_STATUS" -eq 0 ] || fail "$1 ended with status $EXIT_STATUS"
    [ ! -s "$E2E_TMP/saver.log" ] || fail "$1 printed: $(cat "$E2E_TMP/saver.log")"
    SAVER_PID=
}

saver_start /s
wait_for "the saver window" 30 saver_window
quiet_run "the full-screen saver"

parent_window_start 320 240
XSCREENSAVER_WINDOW=$PARENT_WINDOW saver_start --root
wait_for "the saver inside the window" 30 bash -c "xwininfo -children -id $PARENT_WINDOW | grep -q '\"Preview\"'"
quiet_run "the saver inside XScreenSaver's window"

# Asked for, a silent chime tells why, once.
if ! grep -qs '^ *[0-9]' /proc/asound/cards; then
    TESSALY_VERBOSE=1 saver_start /s
    wait_for "the saver window" 30 saver_window
    wait_for "the chime's line" 10 grep -q '^tessaly chime: silent' "$E2E_TMP/saver.log"
    kill -TERM "$SAVER_PID"
    wait_exit "$SAVER_PID" 10 || fail "the verbose saver did not end on SIGTERM"
    [ "$(grep -c 'chime' "$E2E_TMP/saver.log")" -eq 1 ] || fail "the chime said: $(cat "$E2E_TMP/saver.log")"
    grep -q 'ALSA lib' "$E2E_TMP/saver.log" && fail "ALSA's own lines came through: $(cat "$E2E_TMP/saver.log")"
    note "$(grep chime "$E2E_TMP/saver.log")"
fi
pass
