#!/usr/bin/env bash
# The settings dialog as a user meets it: started without arguments it is the
# only window; 取消 ends it without touching the settings file, 保存 writes the
# shown settings and changes nothing else in the file, not even through a
# link; its file dialog speaks Chinese; a settings error that ends settings
# mode is shown in a message box; without a display it says so in one line.
# Screenshots go to $TESSALY_E2E_SHOTS when it is set.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"
unset QT_QPA_PLATFORM
shots=${TESSALY_E2E_SHOTS:-$E2E_TMP}
mkdir -p "$shots"
hive=$XDG_CONFIG_HOME/tessaly/registry.reg

# The id of the visible window with exactly this title.
window_named() {
    local window
    for window in $(search_windows --onlyvisible --name "$1"); do
        [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "$1" ] && { echo "$window"; return 0; }
    done
    return 1
}
dialog_window() { window_named "参数设置Ver3.0"; }

# A screenshot of a window once it shows more than a blank ground.
drawn_screenshot() {
    screenshot "$1" "$2" && [ "$(convert "$1" -format %k info:)" -gt 8 ]
}

# Opens the dialog and waits for it; DIALOG_WINDOW.
open_dialog() {
    saver_start "$@"
    wait_for "the settings dialog" 30 dialog_window
    DIALOG_WINDOW=$(dialog_window)
}

# Clicks a point of the dialog's form.
click_form() { xdotool mousemove --window "$DIALOG_WINDOW" "$1" "$2" click 1; }

# Clicks a button that closes the dialog and waits for the program to end well.
close_with() {
    click_form "$1" 380
    wait_exit "$SAVER_PID" 15 || fail "$2 did not close the dialog"
    [ "$EXIT_STATUS" -eq 0 ] || fail "$2: exit status $EXIT_STATUS"
}

# --- 取消 writes nothing, 保存 writes the shown settings
open_dialog
close_with 333 取消
[ ! -e "$hive" ] || fail "取消 wrote a settings file"
open_dialog /c
close_with 229 保存
grep -q '"BallsCount"=dword:0000000a' "$hive" || fail "保存 wrote no bubble count"
grep -q '"BackInterval"=dword:0000000a' "$hive" || fail "保存 wrote no interval"
note "取消 kept the settings file, 保存 wrote it"

# --- a file kept by hand behind a link keeps its shape
rm -f "$hive"
mkdir -p "$E2E_TMP/dotfiles"
printf 'REGEDIT4\r\n; kept by hand\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n"Colour"="blue"\r\n\r\n; the end\r\n' \
    >"$E2E_TMP/dotfiles/tessaly.reg"
ln -s ../../dotfiles/tessaly.reg "$hive"
cp "$E2E_TMP/dotfiles/tessaly.reg" "$E2E_TMP/before.reg"
saver_start /s
saver_ready
xdotool key a
wait_exit "$SAVER_PID" 30 || fail "a key did not end the saver"
cmp -s "$E2E_TMP/before.reg" "$E2E_TMP/dotfiles/tessaly.reg" || fail "starting the saver changed the settings file"
open_dialog
close_with 229 保存
[ -L "$hive" ] || fail "保存 replaced the link with a file"
size=$(stat -c %s "$E2E_TMP/before.reg")
head -c "$size" "$E2E_TMP/dotfiles/tessaly.reg" | cmp -s - "$E2E_TMP/before.reg" ||
    fail "保存 changed the rest of the file: $(cat -A "$E2E_TMP/dotfiles/tessaly.reg")"
tail -c +"$((size + 1))" "$E2E_TMP/dotfiles/tessaly.reg" >"$E2E_TMP/added"
head -n 2 "$E2E_TMP/added" | cmp -s - <(printf '\r\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\r\n') ||
    fail "our key was not added after the rest: $(cat -A "$E2E_TMP/added")"
[ "$(grep -c $'\r$' "$E2E_TMP/added")" -eq "$(wc -l <"$E2E_TMP/added")" ] || fail "the added lines do not end in CR LF"
cp "$E2E_TMP/dotfiles/tessaly.reg" "$E2E_TMP/saved.reg"
open_dialog
close_with 229 保存
cmp -s "$E2E_TMP/saved.reg" "$E2E_TMP/dotfiles/tessaly.reg" || fail "saving the same settings again changed the file"
[ -L "$hive" ] || fail "the second 保存 replaced the link"
note "a linked, hand-kept file kept its comments, other key and line ends"

# --- the file dialog speaks Chinese
open_dialog
click_form 155 22       # the page 泡泡内图片设置
click_form 286 84       # its add button
wait_for "the file dialog" 20 window_named "打开"
file_dialog=$(window_named "打开")
wait_for "the file dialog drawn" 10 drawn_screenshot "$shots/file-dialog.png" "$file_dialog"
xdotool windowfocus --sync "$file_dialog" key Escape
file_dialog_gone() { ! search_windows --onlyvisible --name '^打开$' >/dev/null; }
wait_for "the file dialog to close" 10 file_dialog_gone
close_with 333 取消
note "file dialog: $shots/file-dialog.png"

# --- a settings error that ends settings mode is shown in a box
rm -f "$hive"
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n"BallsCount"="abc"\n' >"$hive"
"$TESSALY" /c >"$E2E_TMP/out" 2>"$E2E_TMP/err" &
SAVER_PID=$!
wait_for "the error box" 30 window_named "Tessaly"
box=$(window_named "Tessaly")
wait_for "the error box drawn" 10 drawn_screenshot "$shots/settings-error.png" "$box"
grep -qx "tessaly: Invalid data type for 'BallsCount'" "$E2E_TMP/err" || fail "no error line: $(cat "$E2E_TMP/err")"
dialog_window >/dev/null && fail "the dialog opened on a settings file it cannot read"
xdotool windowfocus --sync "$box" key Return
wait_exit "$SAVER_PID" 15 || fail "the error box did not end the program"
[ "$EXIT_STATUS" -eq 1 ] || fail "exit status $EXIT_STATUS after the error box"
note "settings error: $shots/settings-error.png"

# --- no display: one line, no abort
rm -f "$hive"
for display in "" ":93"; do
    status=0
    DISPLAY=$display timeout 20 "$TESSALY" /c >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
    [ "$status" -eq 1 ] || fail "DISPLAY='$display': exit status $status"
    [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "DISPLAY='$display': not one line: $(cat "$E2E_TMP/err")"
    grep -q display "$E2E_TMP/err" || fail "DISPLAY='$display': $(cat "$E2E_TMP/err")"
    note "DISPLAY='$display': $(cat "$E2E_TMP/err")"
done
pass
