# Pointer movement: up to 5 pixels from where the pointer was when the saver
# was activated keeps it running, 6 in either axis ends it. A drawing window
# over the host only takes note of the first movement it sees, so the move
# that must end the saver is never a run's first.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

saver_start /s
saver_ready
xdotool mousemove_relative -- 5 5
expect_running "$SAVER_PID" 1 "5 pixels right and 5 down ended the saver"
xdotool mousemove_relative -- -10 -10
expect_running "$SAVER_PID" 1 "5 pixels left and 5 up of the start ended the saver"
xdotool mousemove_relative -- 11 5
wait_exit "$SAVER_PID" 5 || fail "6 pixels right did not end the saver"
[ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS"

xdotool mousemove 200 200
saver_start /s
saver_ready
xdotool mousemove_relative -- 1 0
expect_running "$SAVER_PID" 0.5 "1 pixel right ended the saver"
xdotool mousemove_relative -- -1 6
wait_exit "$SAVER_PID" 5 || fail "6 pixels down did not end the saver"
[ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS"
SAVER_PID=
pass
