# Shared helpers of the end-to-end tests. Source it from a test_*.sh and call
# e2e_init "$@" first:
#
#   source "$(dirname "$0")/lib.sh"
#   e2e_init "$@"                    # $TESSALY, a private Xvfb, a scratch dir
#   saver_start /s                   # runs the program, sets SAVER_PID
#   wait_for "the saver window" 10 saver_window
#   xdotool key a
#   wait_exit "$SAVER_PID" 5 || fail "a key did not end the saver"
#   [ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS"
#   pass
#
# Everything runs with a deadline; nothing sleeps a fixed time except where a
# test must watch that something does NOT happen (expect_running). The Xvfb,
# the program and the scratch directory go away when the test ends, however it
# ends. Settings, logs and sound output stay inside the scratch directory.

set -u

E2E_NAME=$(basename "$0" .sh)
E2E_POLL=0.05
SAVER_CLASS=WindowsScreenSaverClass

# Ends the test as failed, with the saver's output for the record.
fail() {
    echo "FAIL ($E2E_NAME): $*" >&2
    if [ -n "${E2E_TMP:-}" ] && [ -s "$E2E_TMP/saver.log" ]; then
        echo "--- program output ---" >&2
        tail -n 20 "$E2E_TMP/saver.log" >&2
    fi
    exit 1
}

pass() {
    echo "PASS ($E2E_NAME)"
    exit 0
}

note() { echo "  $*"; }

# Milliseconds since boot, for deadlines and timings. Not the wall clock: a
# machine that has just started may still have its clock set while a test
# waits, and a step forward would end every deadline at once. /proc/uptime
# counts in hundredths of a second.
now_ms() {
    local up rest
    read -r up rest </proc/uptime
    echo $(( 10#${up/./} * 10 ))
}

# Seconds (fractions allowed) as whole milliseconds.
to_ms() { awk -v s="$1" 'BEGIN { printf "%d", s * 1000 }'; }

# wait_for DESCRIPTION SECONDS COMMAND...: runs COMMAND until it succeeds, or
# fails the test once SECONDS have passed.
wait_for() {
    local what=$1 seconds=$2
    shift 2
    local deadline=$(( $(now_ms) + $(to_ms "$seconds") ))
    until "$@" >/dev/null 2>&1; do
        [ "$(now_ms)" -lt "$deadline" ] || fail "timed out after ${seconds}s waiting for $what"
        sleep "$E2E_POLL"
    done
}

# wait_exit PID SECONDS: waits for a child process of this shell to end and
# puts its exit status in EXIT_STATUS. Returns 1 (EXIT_STATUS empty) when it
# is still running at the deadline.
wait_exit() {
    local pid=$1 seconds=$2
    local deadline=$(( $(now_ms) + $(to_ms "$seconds") ))
    EXIT_STATUS=
    while kill -0 "$pid" 2>/dev/null; do
        [ "$(now_ms)" -lt "$deadline" ] || return 1
        sleep "$E2E_POLL"
    done
    wait "$pid"
    EXIT_STATUS=$?
    return 0
}

# expect_running PID SECONDS DESCRIPTION: fails the test if the process ends
# within SECONDS.
expect_running() {
    local pid=$1 seconds=$2 what=$3
    local deadline=$(( $(now_ms) + $(to_ms "$seconds") ))
    while [ "$(now_ms)" -lt "$deadline" ]; do
        kill -0 "$pid" 2>/dev/null || { wait "$pid"; fail "$what (it ended with status $?)"; }
        sleep "$E2E_POLL"
    done
}

# start_xvfb [WIDTHxHEIGHT]: a private X server on a display number it picks
# itself; sets DISPLAY. Called by e2e_init.
start_xvfb() {
    local size=${1:-1024x768}
    local numberFile="$E2E_TMP/display"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset 3>"$numberFile" \
        >"$E2E_TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    wait_for "Xvfb to pick a display" 10 test -s "$numberFile"
    export DISPLAY=":$(head -n 1 "$numberFile")"
    wait_for "Xvfb on $DISPLAY" 10 xdpyinfo
    SCREEN_WIDTH=${size%x*}
    SCREEN_HEIGHT=${size#*x}
}

e2e_cleanup() {
    local pid
    for pid in ${SAVER_PID:-} ${E2E_EXTRA_PIDS:-}; do
        kill -TERM "$pid" 2>/dev/null
    done
    [ -n "${XVFB_PID:-}" ] && kill -TERM "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
    [ -n "${E2E_TMP:-}" ] && rm -rf "$E2E_TMP"
}

# e2e_init PROGRAM [WIDTHxHEIGHT]: checks the program, makes the scratch
# directory (E2E_TMP, also the working directory), points the program's
# settings, state and audio there, and starts the X server.
e2e_init() {
    TESSALY=${1:?usage: $0 PATH-TO-TESSALY}
    [ -x "$TESSALY" ] || fail "no program at $TESSALY"
    TESSALY=$(realpath "$TESSALY")
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-e2e.XXXXXX")
    trap e2e_cleanup EXIT
    trap 'exit 1' INT TERM
    cd "$E2E_TMP" || fail "cannot enter $E2E_TMP"
    export XDG_CONFIG_HOME="$E2E_TMP/config" XDG_STATE_HOME="$E2E_TMP/state" HOME="$E2E_TMP/home"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_STATE_HOME" "$HOME"
    export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$E2E_TMP/audio.raw"
    unset XSCREENSAVER_WINDOW
    start_xvfb "${2:-1024x768}"
    # The pointer starts somewhere known, away from every edge.
    xdotool mousemove 200 200
}

# saver_start ARGS...: starts the program in the background; SAVER_PID.
saver_start() {
    "$TESSALY" "$@" >>"$E2E_TMP/saver.log" 2>&1 &
    SAVER_PID=$!
}

# search_windows ARGS...: `xdotool search ARGS...`, asked again when a window
# vanished while xdotool walked the window tree. xdotool then dies of X's
# BadWindow error having printed nothing, which reads as "no such window";
# windows come and go all the time while the program starts (its OpenGL probe
# makes and destroys one in a copy of itself).
search_windows() {
    local found attempt
    for attempt in 1 2 3 4 5 6 7 8 9 10; do
        found=$(xdotool search "$@" 2>"$E2E_TMP/xdotool.err")
        grep -q 'X Error' "$E2E_TMP/xdotool.err" || break
    done
    [ -n "$found" ] && echo "$found"
}

# preview_window: the id (decimal) of the window titled "Preview"; fails when
# there is none.
preview_window() { search_windows --name '^Preview$' | head -n 1 | grep .; }

# window_children WINDOW: one line per child of WINDOW, as xwininfo lists them
# (hex id first), in stacking order. An empty WINDOW fails at once: xwininfo
# without an id waits for a mouse click, past every deadline of the test.
window_children() {
    [ -n "$1" ] || return 1
    xwininfo -children -id "$1" 2>/dev/null | awk '/^ +0x/'
}

# The id (decimal) of a visible saver window titled "Screen Saver"; fails
# when there is none.
saver_window() {
    local window
    for window in $(search_windows --onlyvisible --class "$SAVER_CLASS"); do
        if [ "$(xdotool getwindowname "$window" 2>/dev/null)" = "Screen Saver" ]; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

# saver_ready: waits until the full-screen saver is on screen and has the
# keyboard focus, then watches it for a moment so that it has taken its
# activation (and the cursor position to measure from) before the test moves.
saver_ready() {
    wait_for "the saver window" 30 saver_window
    SAVER_WINDOW=$(saver_window)
    wait_for "the saver to take the focus" 10 has_focus "$SAVER_WINDOW"
    expect_running "$SAVER_PID" 1 "the saver ended on its own"
}

has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# screenshot FILE [WINDOW]: the whole screen or one window, as PNG.
screenshot() {
    import -window "${2:-root}" "$1" 2>/dev/null || fail "cannot take a screenshot"
}

# pixel FILE X Y: "r,g,b" of one pixel, 0..255 each.
pixel() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

# brightest FILE: the largest channel value anywhere in the picture, 0..255.
brightest() {
    convert "$1" -format '%[fx:int(255*maxima)]' info:
}

# window_geometry WINDOW: sets WIN_X WIN_Y WIN_WIDTH WIN_HEIGHT (absolute).
window_geometry() {
    local info
    [ -n "$1" ] || fail "no window to measure"
    info=$(xwininfo -id "$1" 2>/dev/null) || fail "no window $1"
    WIN_X=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
    WIN_Y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
    WIN_WIDTH=$(awk '/Width:/ {print $2}' <<<"$info")
    WIN_HEIGHT=$(awk '/Height:/ {print $2}' <<<"$info")
}

# parent_window_start WIDTH HEIGHT: another program's window to put a preview
# in; sets PARENT_WINDOW (decimal id). parent_window_destroy destroys it.
parent_window_start() {
    local helper=${TESSALY_E2E_PARENT_WINDOW:-$(dirname "$TESSALY")/../tests/e2e/e2e_parent_window}
    [ -x "$helper" ] || fail "no parent-window helper at $helper"
    coproc PARENT_HELPER { "$helper" "$1" "$2"; }
    E2E_EXTRA_PIDS="${E2E_EXTRA_PIDS:-} $PARENT_HELPER_PID"
    read -r -t 10 PARENT_WINDOW <&"${PARENT_HELPER[0]}" || fail "the parent-window helper gave no window"
}

parent_window_destroy() {
    local answer
    echo destroy >&"${PARENT_HELPER[1]}"
    read -r -t 10 answer <&"${PARENT_HELPER[0]}" && [ "$answer" = destroyed ] ||
        fail "the parent-window helper did not destroy its window"
}

# parent_window_end: ends the helper, so that another can be started.
parent_window_end() {
    local pid=$PARENT_HELPER_PID
    exec {PARENT_HELPER[1]}>&-
    wait "$pid" 2>/dev/null
}

# program_errors FILE: the program's output without its informational lines.
program_errors() { grep -v '^tessaly renderer: ' "$1"; }
