#!/usr/bin/env bash
# compare-peers.sh [BINARY] [SECONDS]: the saver beside the XScreenSaver hacks
# of its kind that are installed (glslideshow, bubble3d, fluidballs,
# photopile), each alone under an Xvfb of its own at 1920 x 1080 for SECONDS
# (default 20) after a settling time. Prints one table: the processor time of
# the program and of its X server together, in per cent of one core, and the
# program's peak resident memory. The saver runs with defaults, 100 bubbles,
# the heart style, and a slideshow changing pictures every second. A
# benchmark, not a test: run it on a quiet machine. As root, the programs run
# as a throwaway unprivileged user, as XScreenSaver would run them.
set -euo pipefail
binary=$(realpath "${1:-build/release/src/tessaly}")
seconds=${2:-20}
settle=3
hacks_dir=/usr/libexec/xscreensaver
[ -d "$hacks_dir" ] || hacks_dir=/usr/lib/xscreensaver

scratch=$(mktemp -d)
chmod 755 "$scratch"
run_user=
cleanup() {
    [ -n "${program:-}" ] && kill -TERM "$program" 2>/dev/null && wait "$program" 2>/dev/null
    [ -n "${xserver:-}" ] && kill -TERM "$xserver" 2>/dev/null && wait "$xserver" 2>/dev/null
    [ -n "$run_user" ] && userdel "$run_user" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT

as_user=()
if [ "$(id -u)" -eq 0 ]; then
    run_user=tessaly-peers-$$
    useradd --system --no-create-home --home-dir "$scratch/home" --shell /usr/sbin/nologin "$run_user"
    as_user=(runuser -u "$run_user" --)
fi
home=$scratch/home
mkdir -p "$home/.config/tessaly" "$home/.local/state" "$home/pictures"
# Pictures for the slideshow: photograph-sized, different enough to fade.
for i in 1 2 3; do
    convert -size 1920x1080 "gradient:#$((i * 3))0a0c0-#c0$((i * 2))040" "$home/pictures/back$i.jpg"
done
[ -n "$run_user" ] && chown -R "$run_user" "$home"

# The saver's settings: NAME=NUMBER... as DWORDs, and a slideshow list when asked.
settings() {
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\r\n'
        local pair
        for pair in "$@"; do
            if [ "$pair" = slideshow ]; then
                local list
                list=$(printf '%s\r\n' "$home"/pictures/back*.jpg)
                printf '"BackPic"=hex(1):%s\r\n' \
                    "$( { printf '%s' "$list"; printf '\0'; } | od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//; s/,$//')"
            else
                printf '"%s"=dword:%08x\r\n' "${pair%=*}" "${pair#*=}"
            fi
        done
    } >"$home/.config/tessaly/registry.reg"
    [ -z "$run_user" ] || chown "$run_user" "$home/.config/tessaly/registry.reg"
}

# utime + stime of a process in clock ticks.
ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
hz=$(getconf CLK_TCK)

# measure NAME COMMAND...: one row of the table.
measure() {
    local name=$1; shift
    : >"$scratch/display"
    Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$scratch/display" 2>/dev/null &
    xserver=$!
    for _ in $(seq 1 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
    env -i PATH="$PATH" HOME="$home" DISPLAY=":$(head -n1 "$scratch/display")" \
        XDG_CONFIG_HOME="$home/.config" XDG_STATE_HOME="$home/.local/state" SDL_AUDIODRIVER=dummy \
        "${as_user[@]}" "$@" >/dev/null 2>"$scratch/stderr" &
    program=$!
    sleep "$settle"
    # runuser stays as the parent: measure the program it started.
    local pid=$program
    [ -z "$run_user" ] || pid=$(pgrep -P "$program" | head -n1)
    if [ -z "$pid" ] || ! kill -0 "$pid" 2>/dev/null; then
        printf '%-34s %s\n' "$name" "ended early: $(head -c 200 "$scratch/stderr" | tr '\n' ' ')"
    else
        local p0 x0 t0 p1 x1 t1 peak
        p0=$(ticks "$pid"); x0=$(ticks "$xserver"); t0=$(date +%s.%N)
        sleep "$seconds"
        p1=$(ticks "$pid"); x1=$(ticks "$xserver"); t1=$(date +%s.%N)
        peak=$(awk '/^VmHWM/ { print $2 }' "/proc/$pid/status")
        awk -v n="$name" -v p="$((p1 - p0))" -v x="$((x1 - x0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" -v peak="$peak" '
        BEGIN {
            wall = t1 - t0
            printf "%-34s %8.1f %8.1f %8.1f %9.0f\n", n, 100 * p / hz / wall, 100 * x / hz / wall,
                100 * (p + x) / hz / wall, peak / 1024
        }'
    fi
    kill -TERM "$program" 2>/dev/null; wait "$program" 2>/dev/null || true
    program=
    kill -TERM "$xserver" 2>/dev/null; wait "$xserver" 2>/dev/null || true
    xserver=
}

echo "1920x1080 under Xvfb, $seconds s each after $settle s, load average $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-34s %8s %8s %8s %9s\n' "program" "program" "X" "CPU %" "peak MB"
settings
measure "tessaly, defaults" "$binary" /s
settings BallsCount=100
measure "tessaly, 100 bubbles" "$binary" /s
settings BubbleStyle=1
measure "tessaly, heart style" "$binary" /s
settings BackType=3 BackInterval=1 slideshow
measure "tessaly, 1 s slideshow" "$binary" /s
for hack in glslideshow bubble3d fluidballs photopile; do
    if [ -x "$hacks_dir/$hack" ]; then
        measure "$hack" "$hacks_dir/$hack" -root
    else
        printf '%-34s not installed\n' "$hack"
    fi
done
