# Run by a screen-saver daemon, the saver draws inside the window named by
# XSCREENSAVER_WINDOW and behaves as a guest there: two copies in two windows
# side by side (one per monitor) both draw, the pointer moving over them ends
# neither, a resized window is followed, a stand-alone full-screen start is
# not mistaken for a second instance.
source "$(dirname "$0")/lib.sh"
e2e_init "$@" 1000x700

MIN_COLOURS=100
# Pointer moves across the windows for this long.
POINTER_SECONDS=10

helper=${TESSALY_E2E_PARENT_WINDOW:-$(dirname "$TESSALY")/../tests/e2e/e2e_parent_window}
[ -x "$helper" ] || fail "no parent-window helper at $helper"

# other_window WIDTH HEIGHT NAME: a second stand-in window, alive while this
# shell holds its input open; its id goes to WINDOW_<NAME>.
other_window() {
    mkfifo "$E2E_TMP/$3.in"
    "$helper" "$1" "$2" <"$E2E_TMP/$3.in" >"$E2E_TMP/$3.id" &
    E2E_EXTRA_PIDS="${E2E_EXTRA_PIDS:-} $!"
    exec {hold}>"$E2E_TMP/$3.in"
    wait_for "window $3" 10 test -s "$E2E_TMP/$3.id"
    printf -v "WINDOW_$3" '%s' "$(head -n 1 "$E2E_TMP/$3.id")"
}

parent_window_start 400 300
left=$PARENT_WINDOW
other_window 400 300 right
right=$WINDOW_right
xdotool windowmove "$right" 500 50

# embedded_start WINDOW NAME: a copy as XScreenSaver starts it; its pid in PID_<NAME>.
embedded_start() {
    XSCREENSAVER_WINDOW=$(printf '0x%x' "$1") "$TESSALY" --root >"$E2E_TMP/$2.out" 2>"$E2E_TMP/$2.err" &
    E2E_EXTRA_PIDS="${E2E_EXTRA_PIDS:-} $!"
    printf -v "PID_$2" '%s' "$!"
}
embedded_start "$left" left
embedded_start "$right" right

inside() { xwininfo -children -id "$1" | grep -q '"Preview"'; }
wait_for "the copy inside the left window" 30 inside "$left"
wait_for "the copy inside the right window" 30 inside "$right"

# shot WINDOW FILE: the window's area of the screen (what the user sees there).
shot() { import -window "$1" "$2" 2>/dev/null; }
drawn() { shot "$1" "$2" && [ "$(convert "$2" -format '%k' info:)" -ge "$MIN_COLOURS" ]; }
differs() { shot "$1" "$3" && [ "$(compare -metric AE "$2" "$3" null: 2>&1)" != 0 ]; }
for side in left right; do
    window=${!side}
    wait_for "a picture in the $side window" 30 drawn "$window" "$E2E_TMP/$side-1.png"
done

# The pointer sweeps over both windows; neither copy ends, both keep drawing.
started=$(now_ms)
while [ $(( $(now_ms) - started )) -lt $(( POINTER_SECONDS * 1000 )) ]; do
    for x in 80 250 420 600 760 880 600 250; do
        xdotool mousemove "$x" $(( 100 + x / 5 ))
        sleep 0.05
    done
done
for side in left right; do
    pid_var=PID_$side
    kill -0 "${!pid_var}" 2>/dev/null || fail "the $side copy ended while the pointer moved"
    wait_for "the $side window to change" 10 differs "${!side}" "$E2E_TMP/$side-1.png" "$E2E_TMP/$side-2.png"
done
note "both copies drew through ${POINTER_SECONDS}s of pointer movement"
keep_copy() { [ -n "${TESSALY_E2E_SHOTS:-}" ] && mkdir -p "$TESSALY_E2E_SHOTS" && cp "$1" "$TESSALY_E2E_SHOTS/$E2E_NAME-$2"; }
shot root "$E2E_TMP/both.png"
keep_copy "$E2E_TMP/both.png" both.png

# The daemon resizes its window: the copy inside follows and draws at the new size.
xdotool windowsize "$left" 300 260
child_size() { xwininfo -children -id "$left" | grep '"Preview"' | grep -q '300x260+0+0'; }
wait_for "the copy to follow its window's new size" 10 child_size
wait_for "a picture at the new size" 10 drawn "$left" "$E2E_TMP/left-3.png"
shot root "$E2E_TMP/resized.png"
keep_copy "$E2E_TMP/resized.png" resized.png

# XScreenSaver ends a copy with SIGTERM and may start the next one in the same
# window at once, before the old one is gone.
for try in 1 2 3; do
    old=$PID_right
    kill -TERM "$old"
    embedded_start "$right" right
    wait_exit "$old" 10 || fail "the old copy did not end on SIGTERM"
    expect_running "$PID_right" 1 "the copy started right after SIGTERM ($try) ended"
    wait_for "the new copy inside the right window ($try)" 30 inside "$right"
done
wait_for "a picture in the right window from the new copy" 30 drawn "$right" "$E2E_TMP/right-3.png"

# A stand-alone saver still starts beside the embedded copies, and a second
# stand-alone one still ends at once.
saver_start /s
wait_for "the stand-alone saver" 30 saver_window
standalone=$SAVER_PID
"$TESSALY" /s >>"$E2E_TMP/second.log" 2>&1 &
second=$!
wait_exit "$second" 10 || fail "a second stand-alone saver kept running"
[ "$EXIT_STATUS" -eq 0 ] || fail "the second stand-alone saver ended with status $EXIT_STATUS"
kill -TERM "$standalone"
wait_exit "$standalone" 10 || fail "the stand-alone saver did not end on SIGTERM"
SAVER_PID=

for side in left right; do
    pid_var=PID_$side
    kill -0 "${!pid_var}" 2>/dev/null || fail "the $side copy ended"
    kill -TERM "${!pid_var}"
    wait_exit "${!pid_var}" 10 || fail "the $side copy did not end on SIGTERM"
    [ "$EXIT_STATUS" -eq 0 ] || fail "the $side copy ended with status $EXIT_STATUS"
done
pass
