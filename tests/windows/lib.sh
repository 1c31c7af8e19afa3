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
    win_keep_server
}

win_cleanup() {
    win_release_server
    e2e_cleanup
    # Our processes end with the X server; wait for Wine to let go of the prefix.
    timeout 60 wineserver --wait 2>/dev/null || true
}

# Wine's server leaves the moment its last program ends, and a program that
# starts just as it leaves dies at once ("wine client error: ... Connection
# reset by peer"). A console waiting on a pipe for the whole test keeps one
# server up for every Wine program the test starts; should the console meet
# that fate itself, it is started again.
win_keep_server() {
    local attempt deadline
    mkfifo "$E2E_TMP/keeper.in"
    for attempt in 1 2 3; do
        # The pipe's other end lives in a process of its own: every program
        # this shell starts would inherit it, and any of them still running
        # would keep the console waiting.
        sleep infinity >"$E2E_TMP/keeper.in" &
        WIN_KEEPER_HOLDER=$!
        wine cmd /c "echo ready & pause" <"$E2E_TMP/keeper.in" >"$E2E_TMP/keeper.log" 2>&1 &
        WIN_KEEPER_PID=$!
        deadline=$(( $(now_ms) + $(to_ms "$WIN_START_SECONDS") ))
        while kill -0 "$WIN_KEEPER_PID" 2>/dev/null && [ "$(now_ms)" -lt "$deadline" ]; do
            grep -q ready "$E2E_TMP/keeper.log" && return 0
            sleep "$E2E_POLL"
        done
        win_release_server
    done
    fail "Wine would not start: $(tail -n 3 "$E2E_TMP/keeper.log")"
}

# Closing its pipe ends the console; safe to call again.
win_release_server() {
    if [ -n "${WIN_KEEPER_HOLDER:-}" ]; then
        kill -TERM "$WIN_KEEPER_HOLDER" 2>/dev/null
        wait "$WIN_KEEPER_HOLDER" 2>/dev/null
        WIN_KEEPER_HOLDER=
    fi
    if [ -n "${WIN_KEEPER_PID:-}" ]; then
        wait_exit "$WIN_KEEPER_PID" 30 || kill -TERM "$WIN_KEEPER_PID" 2>/dev/null
        WIN_KEEPER_PID=
    fi
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
