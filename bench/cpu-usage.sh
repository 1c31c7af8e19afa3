#!/usr/bin/env bash
# cpu-usage.sh [BINARY] [SECONDS] [BUBBLES]: runs the full-screen saver under a
# private Xvfb of 1920 x 1080 with default settings (or BUBBLES bubbles) and
# reports how much of one core the saver and the X server used over SECONDS
# (default 60), from their /proc/PID/stat user and system times, with the
# load average beside it, and the saver's peak resident memory and whether
# an OpenGL driver is mapped into it. The settings live in a scratch
# directory; the real ~/.config is never touched.
set -euo pipefail
binary=$(realpath "${1:-build/release/src/tessaly}")
seconds=${2:-60}
bubbles=${3:-}
settle=3

scratch=$(mktemp -d)
cleanup() {
    [ -n "${saver:-}" ] && kill -TERM "$saver" 2>/dev/null && wait "$saver" 2>/dev/null
    [ -n "${xserver:-}" ] && kill -TERM "$xserver" 2>/dev/null && wait "$xserver" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$scratch/config XDG_STATE_HOME=$scratch/state SDL_AUDIODRIVER=dummy
mkdir -p "$XDG_CONFIG_HOME/tessaly"
if [ -n "$bubbles" ]; then
    printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\r\n"BallsCount"=dword:%08x\r\n' "$bubbles" \
        >"$XDG_CONFIG_HOME/tessaly/registry.reg"
fi

# Xvfb picks a free display and writes its number to fd 3.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$scratch/display" 2>/dev/null &
xserver=$!
for _ in $(seq 1 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$scratch/display")

"$binary" /s 2>"$scratch/stderr" &
saver=$!
sleep "$settle"
kill -0 "$saver" 2>/dev/null || { echo "the saver ended early:" >&2; cat "$scratch/stderr" >&2; exit 1; }

# utime + stime of a process, in clock ticks (fields 14 and 15 after the name).
ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
hz=$(getconf CLK_TCK)
saver0=$(ticks "$saver"); x0=$(ticks "$xserver"); start=$(date +%s.%N)
sleep "$seconds"
saver1=$(ticks "$saver"); x1=$(ticks "$xserver"); end=$(date +%s.%N)
peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$saver/status")
gl=none
grep -qE 'swrast_dri|libLLVM|_dri\.so' "/proc/$saver/maps" && gl=mapped

awk -v s="$((saver1 - saver0))" -v x="$((x1 - x0))" -v hz="$hz" -v t0="$start" -v t1="$end" \
    -v peak="$peak" -v gl="$gl" \
    -v load="$(cut -d' ' -f1-3 /proc/loadavg)" -v balls="${bubbles:-default}" -v renderer="$(head -n1 "$scratch/stderr")" '
BEGIN {
    wall = t1 - t0
    printf "bubbles %s, %.1f s at 1920x1080, load average %s\n", balls, wall, load
    printf "%s\n", renderer
    printf "saver    %5.1f %% of a core\n", 100 * s / hz / wall
    printf "X server %5.1f %% of a core\n", 100 * x / hz / wall
    printf "together %5.1f %% of a core\n", 100 * (s + x) / hz / wall
    printf "peak resident memory of the saver %.1f MB, OpenGL driver %s\n", peak / 1024, gl
}'
