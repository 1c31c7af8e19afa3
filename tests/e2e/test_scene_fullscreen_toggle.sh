# Alt+Enter switches the scene to exclusive full-screen drawing and back; after
# the second press the scene window stands where it stood before the first, and
# it still draws. Run in the preview, where the host leaves keys alone (in the
# full-screen saver Alt itself already ends the saver).
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/scene_lib.sh"
e2e_init "$@" 1024x768

# The scene: the preview window's one child.
scene_window() {
    local preview
    preview=$(preview_window) || return 1
    window_children "$preview" | awk '{print $1; exit}' | grep .
}
placement() { xwininfo -id "$1" | awk '/Absolute upper-left X|Absolute upper-left Y|Width:|Height:/ {printf "%s ", $NF}'; }

write_settings SoundOpen=0
parent_window_start 320 240
saver_start /p "$PARENT_WINDOW"
wait_for "the preview window" 15 preview_window
wait_for "the scene window" 10 scene_window
scene=$(scene_window)
window_geometry "$scene"
wait_for "the scene to draw" 10 shot_drawn "$E2E_TMP/before.png" "$scene"
first=$(placement "$scene")
note "scene window $scene at $first"

xdotool mousemove $((WIN_X + 160)) $((WIN_Y + 120))
xdotool windowfocus --sync "$PARENT_WINDOW" key alt+Return
expect_running "$SAVER_PID" 1 "the first Alt+Enter ended the saver"
note "after one Alt+Enter: $(placement "$scene")"
screenshot "$E2E_TMP/toggled.png" "$scene"
keep_shots "$E2E_TMP/toggled.png"
xdotool windowfocus --sync "$PARENT_WINDOW" key alt+Return
expect_running "$SAVER_PID" 1 "the second Alt+Enter ended the saver"
[ "$(placement "$scene")" = "$first" ] || fail "the scene stands at $(placement "$scene"), not at $first"
wait_for "the scene to draw again" 10 shot_drawn "$E2E_TMP/after.png" "$scene"
sleep 0.5   # frames must keep coming
screenshot "$E2E_TMP/later.png" "$scene"
changed=$(compare -metric AE -fuzz 5% "$E2E_TMP/after.png" "$E2E_TMP/later.png" null: 2>&1 || true)
keep_shots "$E2E_TMP/before.png" "$E2E_TMP/after.png" "$E2E_TMP/later.png"
[ "${changed%%.*}" -gt 100 ] || fail "the scene stopped moving after the toggles ($changed pixels changed)"

# The keys did reach the scene: Escape closes it, the preview stays.
unmapped() { xwininfo -id "$scene" | grep -q 'Map State: IsUnMapped'; }
xdotool windowfocus --sync "$PARENT_WINDOW" key Escape
wait_for "Escape to close the scene" 5 unmapped
expect_running "$SAVER_PID" 0.5 "Escape ended the preview"

parent_window_destroy
wait_exit "$SAVER_PID" 5 || fail "the preview outlived its parent"
[ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS"
SAVER_PID=
pass
