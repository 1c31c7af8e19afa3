# The full-screen saver: one black window over the whole screen with the
# saver's class and title, a single instance, and a clean end on signals.
source "$(dirname "$0")/lib.sh"
e2e_init "$@" 800x600

saver_start /s
saver_ready
first=$SAVER_PID
note "saver window $SAVER_WINDOW"

window_geometry "$SAVER_WINDOW"
[ "$WIN_X,$WIN_Y,$WIN_WIDTH,$WIN_HEIGHT" = "0,0,800,600" ] ||
    fail "window at $WIN_X,$WIN_Y size ${WIN_WIDTH}x$WIN_HEIGHT, not over the whole 800x600 screen"
xprop -id "$SAVER_WINDOW" WM_CLASS | grep -q '"WindowsScreenSaverClass"' || fail "wrong WM_CLASS"
xprop -id "$SAVER_WINDOW" WM_NAME | grep -q '"Screen Saver"' || fail "wrong title"

# The host window itself is black; what a drawing window inside it shows is
# for the scene's own tests.
if xwininfo -children -id "$SAVER_WINDOW" | grep -q '^ *0 children'; then
    screenshot "$E2E_TMP/screen.png"
    [ "$(brightest "$E2E_TMP/screen.png")" -eq 0 ] || fail "the screen is not black"
else
    note "a drawing window covers the host window"
fi

# A second full-screen start ends at once, without a window of its own.
"$TESSALY" /s >>"$E2E_TMP/saver.log" 2>&1 &
second=$!
wait_exit "$second" 5 || fail "a second full-screen saver kept running"
[ "$EXIT_STATUS" -eq 0 ] || fail "the second start ended with status $EXIT_STATUS"
[ "$(search_windows --class "$SAVER_CLASS" | wc -l)" -eq 1 ] || fail "the second start made a window"
kill -0 "$first" 2>/dev/null || fail "the first saver ended when the second started"

# SIGTERM ends it through the window's destruction, with status 0. It takes a
# few hundred milliseconds; the deadline is generous so that a busy machine does
# not fail the test, and the time taken is printed.
started=$(now_ms)
kill -TERM "$first"
wait_exit "$first" 5 || fail "SIGTERM did not end the saver"
note "ended $(( $(now_ms) - started )) ms after SIGTERM"
[ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS after SIGTERM"
no_saver_window() { ! search_windows --class "$SAVER_CLASS" >/dev/null; }
wait_for "the window to go" 5 no_saver_window

# SIGINT and SIGHUP end it the same way.
for signal in INT HUP; do
    saver_start /s
    saver_ready
    kill -"$signal" "$SAVER_PID"
    wait_exit "$SAVER_PID" 5 || fail "SIG$signal did not end the saver"
    [ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS after SIG$signal"
done
SAVER_PID=
pass
