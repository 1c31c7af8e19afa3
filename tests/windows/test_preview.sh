#!/usr/bin/env bash
# tessaly.scr /p HWND under Wine puts its host window and the scene's view
# inside another program's window (a test program's, standing in for the
# control panel) and ends when that window is destroyed. Without arguments
# the settings dialog opens and Escape ends it with 0; /a ends at once.
#
# What the preview draws cannot be looked at here: Wine shows a child window
# of another process's window only through that process's own drawing
# surface, so GDI output of the saver's process does not reach the screen
# (Windows itself composes it). The drawing path is the full-screen saver's,
# whose frames test_saver.sh looks at.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/../e2e/scene_lib.sh"
win_init "$@" 800x600
forget_settings

coproc PARENT { wine "$TESSALY_WIN_TESTS/wintest_parent_window.exe" 320 240 2>>"$E2E_TMP/parent.log"; }
E2E_EXTRA_PIDS="$PARENT_PID"
read -r -t "$WIN_START_SECONDS" hwnd <&"${PARENT[0]}" || fail "the parent window program gave no window"
hwnd=${hwnd%$'\r'}
note "parent window $hwnd"
wait_for "the parent window on screen" 30 window_titled "Preview parent"
parent=$(window_titled "Preview parent")

win_start /p "$hwnd"
# The host window fills the parent's client area, the scene's view fills it.
preview_inside() {
    echo children >&"${PARENT[1]}"
    local line children=
    while read -r -t 30 line <&"${PARENT[0]}"; do
        line=${line%$'\r'}
        [ "$line" = end ] && break
        children="$children$line;"
    done
    echo "$children" >"$E2E_TMP/children"
    [[ "$children" == *"child WindowsScreenSaverClass 320x240;"* ]] &&
        [[ "$children" == *"child TessalySceneView 320x240;"* ]]
}
wait_for "the preview inside the parent window" "$WIN_START_SECONDS" preview_inside
note "inside the parent: $(cat "$E2E_TMP/children")"
expect_running "$SAVER_PID" 1 "the preview ended on its own"
# The pointer over the preview is no reason to end it.
xdotool mousemove_relative -- 40 40
expect_running "$SAVER_PID" 1 "moving the pointer ended the preview"

echo destroy >&"${PARENT[1]}"
read -r -t 60 answer <&"${PARENT[0]}" || fail "the parent window program did not answer"
[ "${answer%$'\r'}" = destroyed ] || fail "the parent window program said: $answer"
wait_exit "$SAVER_PID" 60 || fail "the preview did not end with its parent window"
[ "$EXIT_STATUS" -eq 0 ] || fail "the preview ended with status $EXIT_STATUS"

# Started without arguments it opens the settings dialog; Escape closes it
# like "取消", with status 0.
win_start
wait_for "the settings dialog" "$WIN_START_SECONDS" window_titled "参数设置Ver3.0"
dialog=$(window_titled "参数设置Ver3.0")
expect_running "$SAVER_PID" 1 "the settings mode ended before its dialog was closed"
xdotool windowactivate --sync "$dialog" 2>/dev/null || xdotool windowfocus "$dialog"
xdotool key --window "$dialog" Escape
wait_exit "$SAVER_PID" 60 || fail "the settings dialog did not close on Escape"
[ "$EXIT_STATUS" -eq 0 ] || fail "the settings mode ended with status $EXIT_STATUS"

# The password change belongs to the Windows 9x family: on NT it ends at once.
win_start /a
wait_exit "$SAVER_PID" 60 || fail "/a did not end"
[ "$EXIT_STATUS" -eq 0 ] || fail "/a ended with status $EXIT_STATUS"
SAVER_PID=
pass
