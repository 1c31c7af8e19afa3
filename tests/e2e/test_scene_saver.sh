# The full-screen saver draws bubbles over the built-in background and they
# move; Escape closes the scene only, leaving the black host window, and the
# next key ends the saver. The bubbles' tint is checked by the frame's unit
# tests and by eye: TESSALY_E2E_SHOTS names a folder to keep the screenshots in.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/scene_lib.sh"
e2e_init "$@" 800x600

# The background alone, as the saver draws it: no bubbles.
write_settings BallsCount=0 SoundOpen=0
saver_start /s
saver_ready
wait_for "the background" 10 shot_drawn "$E2E_TMP/back.png"
xdotool key a
wait_exit "$SAVER_PID" 5 || fail "a key did not end the saver"

# The default settings: ten bubbles.
rm -f "$XDG_CONFIG_HOME/tessaly/registry.reg"
saver_start /s
saver_ready
wait_for "the first frame" 10 shot_drawn "$E2E_TMP/first.png"
sleep 1   # what is tested: the picture a second later
screenshot "$E2E_TMP/second.png"
keep_shots "$E2E_TMP"/{back,first,second}.png

for shot in first second; do
    covered=$(shapes coverage "$E2E_TMP/back.png" "$E2E_TMP/$shot.png")
    note "bubbles cover $covered of the $shot screen"
    awk -v c="$covered" 'BEGIN { exit !(c > 0.03 && c < 0.8) }' ||
        fail "the $shot screen is not bubbles over the background (share $covered)"
done
changed=$(compare -metric AE -fuzz 5% "$E2E_TMP/first.png" "$E2E_TMP/second.png" null: 2>&1 || true)
note "$changed pixels changed in a second"
[ "${changed%%.*}" -gt 12000 ] || fail "the bubbles did not move ($changed pixels changed)"
# Escape hides the scene: the host window is black, the saver still runs.
xdotool key Escape
wait_for "the scene to close" 5 bash -c "import -window root '$E2E_TMP/closed.png' && [ \$(convert '$E2E_TMP/closed.png' -format '%[fx:int(255*maxima)]' info:) -eq 0 ]"
expect_running "$SAVER_PID" 0.5 "Escape ended the saver"
xdotool key b
wait_exit "$SAVER_PID" 5 || fail "a key after Escape did not end the saver"
[ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS"
SAVER_PID=
pass
