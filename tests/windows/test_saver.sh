#!/usr/bin/env bash
# tessaly.scr /s under Wine: bubbles drawn over the built-in picture that move
# from one second to the next; a second /s ends at once while the first runs;
# a key ends the saver, a small jitter of the pointer does not, a 6-pixel move
# does. TESSALY_E2E_SHOTS names a folder to keep the screenshots in.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/../e2e/scene_lib.sh"
win_init "$@" 800x600

set_dword() { wine reg add 'HKCU\Software\Tessaly' /v "$1" /t REG_DWORD /d "$2" /f >/dev/null 2>&1 || fail "reg add $1"; }

saver_shown() {
    wait_for "the saver window" "$WIN_START_SECONDS" window_titled "Screen Saver"
    expect_running "$SAVER_PID" 1 "the saver ended on its own"
}

# The background alone, as the saver draws it: no bubbles.
forget_settings
set_dword BallsCount 0
set_dword SoundOpen 0
win_start /s
saver_shown
wait_for "the background" 30 shot_drawn "$E2E_TMP/back.png"
xdotool key a
wait_exit "$SAVER_PID" 60 || fail "a key did not end the saver"
[ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS after a key"

# The default settings: ten bubbles.
forget_settings
win_start /s
saver_shown
first_has_bubbles() {
    shot_drawn "$E2E_TMP/first.png" &&
        awk -v c="$(shapes coverage "$E2E_TMP/back.png" "$E2E_TMP/first.png")" 'BEGIN { exit !(c > 0.03 && c < 0.8) }'
}
wait_for "bubbles over the background" 30 first_has_bubbles
sleep 1   # what is tested: the picture a second later
screenshot "$E2E_TMP/second.png"
keep_shots "$E2E_TMP"/{back,first,second}.png
covered=$(shapes coverage "$E2E_TMP/back.png" "$E2E_TMP/second.png")
note "bubbles cover $covered of the screen"
awk -v c="$covered" 'BEGIN { exit !(c > 0.03 && c < 0.8) }' || fail "the second screen is not bubbles over the background ($covered)"
changed=$(compare -metric AE -fuzz 5% "$E2E_TMP/first.png" "$E2E_TMP/second.png" null: 2>&1 || true)
note "$changed pixels changed in a second"
[ "${changed%%.*}" -gt 12000 ] || fail "the bubbles did not move ($changed pixels changed)"

# A second full-screen saver finds the first and ends without a window.
first=$SAVER_PID
wine "$TESSALY" /s >>"$E2E_TMP/saver.log" 2>&1 &
second=$!
wait_exit "$second" 60 || fail "a second /s did not end at once"
[ "$EXIT_STATUS" -eq 0 ] || fail "the second /s ended with status $EXIT_STATUS"
expect_running "$first" 1 "the first saver ended with the second"
[ "$(xdotool search --onlyvisible --name '^Screen Saver$' | wc -l)" -eq 1 ] || fail "two saver windows"

# The pointer: five pixels are a jitter, six end the saver.
xdotool mousemove_relative -- 3 -3
expect_running "$SAVER_PID" 2 "a 3-pixel move ended the saver"
xdotool mousemove 200 200
expect_running "$SAVER_PID" 2 "returning the pointer ended the saver"
xdotool mousemove_relative -- 6 0
wait_exit "$SAVER_PID" 60 || fail "a 6-pixel move did not end the saver"
[ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS after a move"
SAVER_PID=
forget_settings
pass
