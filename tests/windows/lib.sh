# Helpers of the Windows tests: the end-to-end helpers (a private Xvfb, a
# scratch folder, deadlines) with Wine in the prefix ctest names (WINEPREFIX).
# Source it, then call win_init "$@".
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib.sh"

# Wine prints its own diagnostics; the deadlines below leave room for its
# start-up on a busy machine.
WIN_START_SECONDS=90

win_init() {
    e2e_init "$@"
    : "${WINEPREFIX:?the Windows tests run in the prefix ctest names}"
    [ -n "${TESSALY_WIN_TESTS:-}" ] || fail "TESSALY_WIN_TESTS names no folder of test programs"
    # Wine's processes of an earlier test in this prefix have gone.
    timeout 60 wineserver --wait || true
    trap win_cleanup EXIT
}

win_cleanup() {
    e2e_cleanup
    # Our processes end with the X server; wait for Wine to let go of the prefix.
    timeout 60 wineserver --wait 2>/dev/null || true
}

# win_start ARGS...: the saver under Wine in the background; SAVER_PID.
win_start() {
    wine "$TESSALY" "$@" >>"$E2E_TMP/saver.log" 2>&1 &
    SAVER_PID=$!
}

# A visible window with this exact title; fails when there is none.
window_titled() {
    local window
    for window in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
        echo "$window"
        return 0
    done
    return 1
}

# Deletes the saver's settings in the prefix, the user's and the machine's.
forget_settings() {
    wine reg delete 'HKCU\Software\Tessaly' /f >/dev/null 2>&1 || true
    wine reg delete 'HKLM\Software\Tessaly' /f >/dev/null 2>&1 || true
}
