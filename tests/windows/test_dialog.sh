#!/usr/bin/env bash
# The settings dialog under Wine, as another program sees it through Win32:
# every control of the form where the form puts it, with its caption, items
# and range; the bubble-count field steps by keys and refuses typing; "保存"
# writes what the controls hold, "取消" writes nothing; pictures come through
# the system's file dialog, several at once, with Chinese names, and are
# previewed. Screenshots of the three pages land in the scratch folder
# (TESSALY_DIALOG_SHOTS names another).
source "$(dirname "$0")/lib.sh"
win_init "$@"
probe="$TESSALY_WIN_TESTS/wintest_dialog_probe.exe"
shots=${TESSALY_DIALOG_SHOTS:-$E2E_TMP}
forget_settings

# open_dialog: /c under Wine; waits for the window and names it in DIALOG.
open_dialog() {
    win_start /c
    wait_for "the settings window" "$WIN_START_SECONDS" window_titled '参数设置Ver3.0' || fail "no settings window: $(tail -n 5 "$E2E_TMP/saver.log")"
    DIALOG=$(window_titled '参数设置Ver3.0')
}

# wait_closed: the dialog's process ends once a button closed it.
wait_closed() {
    wait_exit "$SAVER_PID" "$WIN_START_SECONDS" || fail "the dialog did not close"
    [ "$EXIT_STATUS" -eq 0 ] || fail "settings mode ended with status $EXIT_STATUS"
}

value() {
    wine reg query 'HKCU\Software\Tessaly' /v "$1" 2>/dev/null | tr -d '\r' |
        awk -v name="$1" '$1 == name { print $3 }'
}

open_dialog
wine "$probe" geometry 2>&1 | tr -d '\r' | tee "$E2E_TMP/geometry.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "the dialog does not match its form"
# turn_to N WHAT: the probe turns the tabs to page N; a failure says how the
# probe ended and what the dialog last logged, as Wine's own crash report is off.
turn_to() {
    local status=0
    wine "$probe" page "$1" || status=$?
    [ "$status" -eq 0 ] || fail "$2 (the probe ended with status $status; the dialog's log: $(tail -n 5 "$E2E_TMP/saver.log"))"
}
for page in 0 1 2; do
    turn_to "$page" "cannot turn to page $page"
    import -window "$DIALOG" "$shots/windows-dialog-tab$((page + 1)).png" || fail "no screenshot of page $page"
done
turn_to 0 "cannot turn back to the first page"
wine "$probe" spin 2>&1 | tr -d '\r'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "the bubble-count field did not act as a spin field"
wine "$probe" edit || fail "cannot change the controls"
wine "$probe" save || fail "cannot press 保存"
wait_closed
[ "$(value BallsCount)" = 0x5a ] || fail "BallsCount saved as $(value BallsCount), not 90"
[ "$(value ShowShadow)" = 0x0 ] || fail "ShowShadow saved as $(value ShowShadow)"
[ "$(value BackType)" = 0x2 ] || fail "BackType saved as $(value BackType), not the desktop's 2"
[ "$(value BallSize)" = 0xf ] || fail "BallSize saved as $(value BallSize), not 15"
[ "$(value BubbleStyle)" = 0x2 ] || fail "BubbleStyle saved as $(value BubbleStyle)"
[ "$(value BackInterval)" = 0xa ] || fail "BackInterval saved as $(value BackInterval)"

# Cancel after the same changes leaves every value as it was.
wine reg export 'HKCU\Software\Tessaly' "$(winepath -w "$E2E_TMP/before.reg")" /y >/dev/null 2>&1 || fail "reg export failed"
open_dialog
wine "$probe" spin >/dev/null 2>&1 || fail "the bubble-count field did not step"
wine "$probe" edit || fail "cannot change the controls"
wine "$probe" cancel || fail "cannot press 取消"
wait_closed
wine reg export 'HKCU\Software\Tessaly' "$(winepath -w "$E2E_TMP/after.reg")" /y >/dev/null 2>&1 || fail "reg export failed"
cmp -s "$E2E_TMP/before.reg" "$E2E_TMP/after.reg" || fail "取消 changed the registry: $(diff "$E2E_TMP/before.reg" "$E2E_TMP/after.reg" | iconv -f UTF-16 -t UTF-8 2>/dev/null | head -n 5)"

# Pictures: two background pictures at once (after a double click on the
# hidden spot), with Chinese names; the last one is previewed in the preview
# box. A GIF is listed but its preview is an error box. Then the GIF is
# removed, one bubble picture added, and all of it saved.
pictures="$WINEPREFIX/drive_c/照片测试"
rm -rf "$pictures"
mkdir -p "$pictures"
convert -size 64x48 xc:'#2060c0' "BMP3:$pictures/西湖.bmp" || fail "cannot make a BMP picture"
convert -size 64x48 xc:'#e03010' "$pictures/断桥.png" || fail "cannot make a PNG picture"
convert -size 8x8 xc:white "$pictures/动画.gif" || fail "cannot make a GIF picture"
forget_settings
# The file dialog opens in the program's own folder.
pushd "$pictures" >/dev/null
open_dialog
popd >/dev/null
image=$(wine "$probe" pictures add 2>"$E2E_TMP/probe.log" | tr -d '\r') || fail "adding pictures: $(cat "$E2E_TMP/probe.log")"
read -r left top width height <<<"$image"
preview_middle() {
    import -window "$DIALOG" "$E2E_TMP/preview.png" &&
        convert "$E2E_TMP/preview.png" -format "%[pixel:p{$((left + width / 2)),$((top + height / 2))}]" info:
}
preview_is_red() { [ "$(preview_middle)" = 'srgb(224,48,16)' ]; }
# Once the file dialog's place has been drawn again.
wait_for "the PNG's red in the preview box" 30 preview_is_red
wine "$probe" pictures bad 2>&1 | tr -d '\r'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "a picture that cannot be previewed was not reported"
wine "$probe" pictures finish 2>&1 | tr -d '\r'
[ "${PIPESTATUS[0]}" -eq 0 ] || fail "the picture lists were not kept"
wait_closed
rm -rf "$pictures"

# Settings that cannot be read end the settings mode with the registry's
# error in an error box (no console to read it in), and status 1.
wine reg add 'HKCU\Software\Tessaly' /v BallsCount /t REG_SZ /d many /f >/dev/null 2>&1 || fail "reg add failed"
win_start /c
wait_for "the error box" "$WIN_START_SECONDS" window_titled "Tessaly"
box=$(window_titled "Tessaly")
xdotool windowactivate --sync "$box" 2>/dev/null || xdotool windowfocus "$box"
xdotool key --window "$box" Return
wait_exit "$SAVER_PID" 60 || fail "the settings mode did not end after its error box"
[ "$EXIT_STATUS" -eq 1 ] || fail "the settings mode ended with status $EXIT_STATUS after an unreadable setting"
grep -Eq "(Invalid data type|Failed to get data) for 'BallsCount'" "$E2E_TMP/saver.log" || fail "no registry error: $(tail -n 3 "$E2E_TMP/saver.log")"
SAVER_PID=

forget_settings
pass
