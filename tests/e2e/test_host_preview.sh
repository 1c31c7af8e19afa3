# The preview lives inside another program's window: a child of the same
# size titled "Preview" that ignores input and ends when its parent goes.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

parent_window_start 320 240
note "parent window $PARENT_WINDOW"
window_geometry "$PARENT_WINDOW"
parent_centre="$((WIN_X + 160)) $((WIN_Y + 120))"
parent_is() { screenshot "$E2E_TMP/screen.png" && [ "$(pixel "$E2E_TMP/screen.png" $parent_centre)" = "$1" ]; }
wait_for "the grey parent on screen" 10 parent_is "64,64,64"
saver_start /p "$PARENT_WINDOW"
wait_for "the preview window" 30 preview_window
child=$(preview_window)
window_geometry "$child"
[ "$WIN_WIDTH x $WIN_HEIGHT" = "320 x 240" ] || fail "preview is ${WIN_WIDTH}x$WIN_HEIGHT, not the parent's 320x240"
xwininfo -children -id "$PARENT_WINDOW" | grep -q "$(printf '0x%x' "$child")" || fail "the preview is not inside its parent"

# It covers the grey parent with the scene.
parent_hidden() { ! parent_is "64,64,64"; }
wait_for "the preview over the parent" 10 parent_hidden

# Keys, buttons and movement over it change nothing.
xdotool mousemove $((WIN_X + 100)) $((WIN_Y + 100))
xdotool mousemove_relative -- 40 40 click 1 click 3
xdotool windowfocus --sync "$PARENT_WINDOW" key a key Alt_L
expect_running "$SAVER_PID" 1 "input ended the preview"

parent_window_destroy
wait_exit "$SAVER_PID" 5 || fail "the preview outlived its parent"
[ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS when the parent went"

# A preview parent that is no window: nothing to show, a quiet end.
saver_start /p 12345
wait_exit "$SAVER_PID" 5 || fail "a preview without a parent kept running"
[ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS for a missing parent"
SAVER_PID=
pass
