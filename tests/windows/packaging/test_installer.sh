#!/usr/bin/env bash
# test_installer.sh SETUP_EXE VERSION: the installer and its uninstaller, run
# silently (/S) as an administrator would, under Wine in a copy of the test
# prefix (WINEPREFIX, as ctest names it):
#   - an install puts tessaly.scr into the system folder the control panel
#     lists and registers the uninstaller, and leaves the user's screen saver;
#   - the uninstaller takes both away again and still leaves it;
#   - with /current the user's screen saver becomes Tessaly, and the
#     uninstaller clears that choice.
source "$(dirname "$0")/../../e2e/lib.sh"
setup=${1:?usage: $0 SETUP_EXE VERSION}
version=${2:?usage: $0 SETUP_EXE VERSION}
shared_prefix=${WINEPREFIX:?the Windows tests run in the prefix ctest names}
[ -f "$setup" ] || fail "no installer at $setup"
[ -f "$shared_prefix/.tessaly-ready" ] || fail "no Wine prefix at $shared_prefix"

# Wine's start-up on a loaded machine, and its uninstaller, which copies itself
# to the temporary folder and returns before the copy has done its work.
DEADLINE=120
UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessaly'
DESKTOP_KEY='HKCU\Control Panel\Desktop'
OTHER_SAVER='C:\windows\system32\other.scr'

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-installer.XXXXXX")
export WINEPREFIX=$E2E_TMP/prefix
cleanup() {
    if [ -d "$WINEPREFIX" ]; then
        timeout 60 wineserver --wait 2>/dev/null || wineserver -k 2>/dev/null
    fi
    rm -rf "$E2E_TMP"
}
trap cleanup EXIT
trap 'exit 1' INT TERM
# A copy is much quicker than a new prefix, and what the installer does stays
# in it. Other tests may run Wine in the shared prefix meanwhile, whose server
# saves the registry through temporary files: one that goes while cp walks the
# folder fails the copy, and the next try finds it gone.
copied=0
for attempt in 1 2 3; do
    rm -rf "$WINEPREFIX"
    if cp -a "$shared_prefix" "$WINEPREFIX" 2>"$E2E_TMP/cp.log"; then
        copied=1
        break
    fi
done
[ "$copied" -eq 1 ] || fail "cannot copy the Wine prefix: $(cat "$E2E_TMP/cp.log")"
# Silent runs open no window; no display keeps any that Wine might open away
# from the user's.
unset DISPLAY WAYLAND_DISPLAY
log=$E2E_TMP/saver.log

# reg_value KEY NAME: the value's data, or failure when it is missing.
reg_value() {
    wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
        awk -v name="$2" 'tolower($1) == tolower(name) && $2 ~ /^REG_/ { sub(/^[ \t]*[^ \t]+[ \t]+[^ \t]+[ \t]+/, ""); print; found = 1 }
                          END { exit !found }'
}
key_exists() { wine reg query "$1" >/dev/null 2>&1; }
key_gone() { ! key_exists "$1"; }
# The screen saver the user has chosen: SCRNSAVE.EXE, long or short form,
# as a Unix path (empty when there is none).
current_saver() {
    local value
    value=$(reg_value "$DESKTOP_KEY" SCRNSAVE.EXE) || return 0
    winepath -u "$value" 2>/dev/null
}
wait_for_wine() { timeout "$DEADLINE" wineserver --wait || fail "Wine's processes did not end within ${DEADLINE}s"; }

system_folder=$(wine cmd /c 'echo %SystemRoot%\system32' 2>>"$log" | tr -d '\r')
[ -n "$system_folder" ] || fail "Wine does not name its system folder"
saver=$(winepath -u "$system_folder\\tessaly.scr")
saver=$(realpath -m "$saver")

wine reg add "$DESKTOP_KEY" /v SCRNSAVE.EXE /d "$OTHER_SAVER" /f >>"$log" 2>&1 || fail "reg add failed"

note "install"
wine "$setup" /S >>"$log" 2>&1 || fail "the installer ended with status $?"
wait_for "tessaly.scr in $system_folder" "$DEADLINE" test -f "$saver"
wait_for_wine
file "$saver" | grep -q 'PE32+ executable (GUI) x86-64' || fail "the installed file is not the 64-bit saver"
wine "$system_folder\\tessaly.scr" /a >>"$log" 2>&1 || fail "the installed saver does not run: status $?"
key_exists "$UNINSTALL_KEY" || fail "no entry under $UNINSTALL_KEY"
[ "$(reg_value "$UNINSTALL_KEY" DisplayVersion)" = "$version" ] || fail "the entry does not carry version $version"
[ -n "$(reg_value "$UNINSTALL_KEY" DisplayName)" ] || fail "the entry has no DisplayName"
uninstaller=$(reg_value "$UNINSTALL_KEY" UninstallString | tr -d '"')
[ -n "$uninstaller" ] || fail "the entry has no UninstallString"
[ -f "$(winepath -u "$uninstaller")" ] || fail "the UninstallString names no file: $uninstaller"
quiet=$(reg_value "$UNINSTALL_KEY" QuietUninstallString)
[ "$quiet" = "\"$uninstaller\" /S" ] || fail "QuietUninstallString is: $quiet"
[ "$(reg_value "$DESKTOP_KEY" SCRNSAVE.EXE)" = "$OTHER_SAVER" ] ||
    fail "an install without /current changed the user's screen saver"

note "uninstall"
wine "$uninstaller" /S >>"$log" 2>&1 || fail "the uninstaller ended with status $?"
wait_for "tessaly.scr to go" "$DEADLINE" test ! -e "$saver"
wait_for "the uninstall entry to go" "$DEADLINE" key_gone "$UNINSTALL_KEY"
wait_for "the uninstaller to go" "$DEADLINE" test ! -e "$(winepath -u "$uninstaller")"
wait_for_wine
install_folder=$(dirname "$(winepath -u "$uninstaller")")
[ ! -e "$install_folder" ] || fail "the program folder is left: $(ls -A "$install_folder")"
[ "$(reg_value "$DESKTOP_KEY" SCRNSAVE.EXE)" = "$OTHER_SAVER" ] ||
    fail "the uninstaller changed a screen saver that is not Tessaly"

note "install /current"
wine "$setup" /S /current >>"$log" 2>&1 || fail "the installer ended with status $?"
wait_for "tessaly.scr in $system_folder" "$DEADLINE" test -f "$saver"
wait_for_wine
chosen=$(current_saver)
[ -n "$chosen" ] && [ "$(realpath -m "$chosen")" = "$saver" ] ||
    fail "SCRNSAVE.EXE names $(reg_value "$DESKTOP_KEY" SCRNSAVE.EXE), not the installed saver"
[ "$(reg_value "$DESKTOP_KEY" ScreenSaveActive)" = 1 ] || fail "the screen saver is not switched on"

note "uninstall of the current screen saver"
wine "$uninstaller" /S >>"$log" 2>&1 || fail "the uninstaller ended with status $?"
wait_for "tessaly.scr to go" "$DEADLINE" test ! -e "$saver"
wait_for "the uninstall entry to go" "$DEADLINE" key_gone "$UNINSTALL_KEY"
wait_for "SCRNSAVE.EXE to be cleared" "$DEADLINE" test -z "$(current_saver)"
wait_for_wine
pass
