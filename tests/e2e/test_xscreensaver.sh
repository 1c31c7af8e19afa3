# The real XScreenSaver runs the installed hack: the build is installed into a
# scratch root, XScreenSaver is set to run that root's hack link with --root,
# "xscreensaver-command -activate" starts the saver drawing bubbles inside
# XScreenSaver's window, and "-deactivate" ends it promptly with nothing left
# behind. Twice, so that the end of one run does not stand in
# the way of the next. Then xscreensaver-settings shows the hack in its
# preview pane, and the pointer sweeping across the pane for 10 s neither
# ends it nor stops it drawing.
#
# XScreenSaver will not launch hacks as root, so as root the test makes an
# unprivileged user of its own for the run and removes it afterwards.
source "$(dirname "$0")/lib.sh"

SKIP=77
HACK_START_SECONDS=15
DRAW_SECONDS=20
# Ending takes well under a second; the deadlines leave room for a busy machine
# and the time taken is printed.
END_SECONDS=5
REAP_SECONDS=10
# The built-in background alone has thousands of colours; a blank or
# single-colour window has one.
MIN_COLOURS=100
POINTER_SECONDS=10

skip() {
    echo "SKIP ($E2E_NAME): $*"
    exit $SKIP
}

for tool in xscreensaver xscreensaver-command xscreensaver-settings cmake; do
    command -v "$tool" >/dev/null || skip "$tool is missing (scripts/install-deps)"
done
if [ "$(id -u)" -eq 0 ]; then
    command -v useradd >/dev/null && command -v runuser >/dev/null || skip "useradd or runuser is missing"
fi

e2e_init "$@" 800x600
RUN_USER=
# Ends what the test started: XScreenSaver with its helpers and hacks (the
# other user's processes, or the ones under this test's XScreenSaver), then
# the user itself, then the X server and the scratch folder.
xscreensaver_cleanup() {
    local pid
    if [ -n "$RUN_USER" ]; then
        for pid in $(pgrep -u "$RUN_USER"); do kill -KILL "$pid" 2>/dev/null; done
        # userdel refuses a user whose processes still run.
        for _ in $(seq 1 100); do
            pgrep -u "$RUN_USER" >/dev/null || break
            sleep 0.05
        done
        userdel --force "$RUN_USER" 2>/dev/null
    elif [ -n "${DAEMON_PID:-}" ]; then
        for pid in $(pgrep -P "$DAEMON_PID") $(hack_pid); do kill -KILL "$pid" 2>/dev/null; done
        kill -KILL "$DAEMON_PID" 2>/dev/null
    fi
    e2e_cleanup
}
trap xscreensaver_cleanup EXIT
build=$(realpath "$(dirname "$TESSALY")/..")
[ -f "$build/cmake_install.cmake" ] || fail "no build tree around $TESSALY to install from"

# Everything the other user reads or writes lives under the scratch folder.
chmod 755 "$E2E_TMP"
root=$E2E_TMP/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$E2E_TMP/install.log" 2>&1 ||
    { cat "$E2E_TMP/install.log" >&2; fail "cmake --install failed"; }
hack=$root/usr/libexec/xscreensaver/tessaly
[ -L "$hack" ] && [ -x "$hack" ] || fail "no hack link at $hack"

as_user() { "$@"; }
if [ "$(id -u)" -eq 0 ]; then
    RUN_USER=tessaly-e2e-$(tr -dc 'a-z0-9' </dev/urandom | head -c 6)
    useradd --system --no-create-home --home-dir "$HOME" --shell /usr/sbin/nologin "$RUN_USER" ||
        fail "cannot make the user $RUN_USER"
    as_user() { runuser -u "$RUN_USER" -- "$@"; }
fi
RUN_UID=$(id -u "${RUN_USER:-$(id -un)}")

# The session XScreenSaver sees: its user's home, the private display, the
# program's settings and sound kept in the scratch folder.
user_env=(env -i "HOME=$HOME" "DISPLAY=$DISPLAY" "PATH=/usr/bin:/bin"
          "XDG_CONFIG_HOME=$XDG_CONFIG_HOME" "XDG_STATE_HOME=$XDG_STATE_HOME"
          "SDL_AUDIODRIVER=disk" "SDL_DISKAUDIOFILE=$E2E_TMP/audio.raw")
xss() { as_user "${user_env[@]}" xscreensaver-command "$@"; }

# One display mode, never started by the idle timer, no fading, locking,
# splash or power saving in the way.
cat >"$HOME/.xscreensaver" <<EOF
mode:		one
selected:	0
timeout:	1:00:00
cycle:		0:00:00
lock:		False
fade:		False
unfade:		False
splash:		False
dpmsEnabled:	False
grabDesktopImages:	False
programs:	"Tessaly"  $hack --root  \n\\
EOF
chown -R "$RUN_UID" "$HOME" "$XDG_CONFIG_HOME" "$XDG_STATE_HOME"

as_user "${user_env[@]}" xscreensaver -no-splash -verbose >"$E2E_TMP/saver.log" 2>&1 &
DAEMON_PID=$!
wait_for "XScreenSaver to answer" 15 xss -time

# The hack's process: the oldest of the user's processes by that name (its
# libraries may fork short-lived helpers that carry the name until they exec).
hack_pid() { pgrep -o -u "$RUN_UID" -x tessaly; }
# Whether a process has ended (gone, or a zombie its parent has not yet
# reaped). Read from /proc without starting a program, so that polling stays
# quick on a busy machine.
ended() {
    local stat
    read -r stat 2>/dev/null <"/proc/$1/stat" || return 0
    stat=${stat##*) }
    [ "${stat%% *}" = Z ]
}
no_process_left() { [ -z "$(pgrep -u "$RUN_UID" -x tessaly)" ]; }

# The window named in the hack's XSCREENSAVER_WINDOW.
hack_window() {
    tr '\0' '\n' <"/proc/$1/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p'
}

colours() { convert "$1" -format '%k' info:; }
drawn() { screenshot "$E2E_TMP/screen.png" && [ "$(colours "$E2E_TMP/screen.png")" -ge "$MIN_COLOURS" ]; }
# The bubbles move over a still background: a later screen differs.
moving() {
    screenshot "$E2E_TMP/later.png" &&
        [ "$(compare -metric AE "$E2E_TMP/screen.png" "$E2E_TMP/later.png" null: 2>&1)" != 0 ]
}

for run in 1 2; do
    note "run $run"
    xss -activate >/dev/null || fail "xscreensaver-command -activate failed"
    wait_for "XScreenSaver to launch the hack" "$HACK_START_SECONDS" hack_pid
    pid=$(hack_pid)
    tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q -- "^$hack --root" ||
        fail "the hack runs as '$(tr '\0' ' ' <"/proc/$pid/cmdline")'"
    window=$(hack_window "$pid")
    [ -n "$window" ] || fail "XScreenSaver named no window for the hack"

    # The saver's own window sits inside XScreenSaver's and covers it.
    wait_for "the saver inside XScreenSaver's window" 15 bash -c \
        "xwininfo -children -id $window | grep -q '\"Preview\"'"
    window_geometry "$window"
    size="${WIN_WIDTH}x$WIN_HEIGHT"
    xwininfo -children -id "$window" | grep '"Preview"' | grep -q "$size+0+0" ||
        fail "the saver does not cover XScreenSaver's $size window"

    wait_for "a picture on the screen" "$DRAW_SECONDS" drawn
    wait_for "moving bubbles" "$DRAW_SECONDS" moving
    [ "$run" -eq 1 ] && [ -n "${TESSALY_E2E_SCREENSHOT:-}" ] && cp "$E2E_TMP/screen.png" "$TESSALY_E2E_SCREENSHOT"
    ! ended "$pid" || fail "the hack ended while the screen was blanked"

    xss -deactivate >/dev/null || fail "xscreensaver-command -deactivate failed"
    started=$(now_ms)
    wait_for "the saver to end after -deactivate" "$END_SECONDS" ended "$pid"
    note "the saver ended $(( $(now_ms) - started )) ms after -deactivate"
    wait_for "the saver's process to be gone" "$REAP_SECONDS" no_process_left
done

# The settings program previews the selected hack in a pane of its own window,
# started as "--root --window-id" with the pane in XSCREENSAVER_WINDOW.
as_user "${user_env[@]}" xscreensaver-settings >"$E2E_TMP/settings.log" 2>&1 &
wait_for "xscreensaver-settings to start the preview" "$HACK_START_SECONDS" hack_pid
pid=$(hack_pid)
pane=$(hack_window "$pid")
[ -n "$pane" ] || fail "xscreensaver-settings named no window for the preview"
pane_shot() { import -window "$pane" "$1" 2>/dev/null; }
pane_drawn() { pane_shot "$E2E_TMP/pane-1.png" && [ "$(colours "$E2E_TMP/pane-1.png")" -ge "$MIN_COLOURS" ]; }
pane_moving() {
    pane_shot "$E2E_TMP/pane-2.png" &&
        [ "$(compare -metric AE "$E2E_TMP/pane-1.png" "$E2E_TMP/pane-2.png" null: 2>&1)" != 0 ]
}
wait_for "the preview drawn in the pane" "$DRAW_SECONDS" pane_drawn
window_geometry "$pane"
note "preview pane ${WIN_WIDTH}x$WIN_HEIGHT at $WIN_X,$WIN_Y"
started=$(now_ms)
while [ $(( $(now_ms) - started )) -lt $(( POINTER_SECONDS * 1000 )) ]; do
    for step in 1 3 5 7 9 8 6 4 2 0; do
        xdotool mousemove $(( WIN_X + WIN_WIDTH * step / 10 )) $(( WIN_Y + WIN_HEIGHT * (10 - step) / 10 ))
        sleep 0.05
    done
done
! ended "$pid" || fail "the preview ended while the pointer moved across it"
[ "$(hack_pid)" = "$pid" ] || fail "the preview was started again while the pointer moved"
wait_for "the preview still drawing after the pointer moved" "$DRAW_SECONDS" pane_moving
note "the preview drew on through ${POINTER_SECONDS}s of pointer movement"
[ -n "${TESSALY_E2E_SCREENSHOT:-}" ] && import -window root "${TESSALY_E2E_SCREENSHOT%.png}-settings.png"

pass
