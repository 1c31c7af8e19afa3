#!/usr/bin/env bash
# startup-time.sh [BINARY] [RUNS]: how long the full-screen saver takes from
# exec to its first frame on screen, under a private Xvfb of 1920 x 1080:
# with default settings, and with ten 24-megapixel bubble pictures (made here,
# in a scratch directory, at each run of this script). The saver says when its
# first frame is shown (TESSALY_VERBOSE=1); the clock starts just before the
# exec. Prints the median and the slowest of RUNS (default 5) starts each,
# with the load average beside them.
set -euo pipefail
binary=$(realpath "${1:-build/release/src/tessaly}")
runs=${2:-5}

scratch=$(mktemp -d)
cleanup() {
    [ -n "${xserver:-}" ] && kill -TERM "$xserver" 2>/dev/null && wait "$xserver" 2>/dev/null
    rm -rf "$scratch"
}
trap cleanup EXIT
export XDG_CONFIG_HOME=$scratch/config XDG_STATE_HOME=$scratch/state SDL_AUDIODRIVER=dummy TESSALY_VERBOSE=1
mkdir -p "$XDG_CONFIG_HOME/tessaly" "$scratch/pictures"

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$scratch/display" 2>/dev/null &
xserver=$!
for _ in $(seq 1 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$scratch/display")

# A 6000 x 4000 photograph's worth of pixels, under ten names: each bubble
# decodes its own file.
convert -size 6000x4000 gradient:'#d04020-#2040c0' -quality 90 "$scratch/pictures/bubble.jpg"
pictures=()
for i in $(seq 1 10); do
    cp "$scratch/pictures/bubble.jpg" "$scratch/pictures/bubble$i.jpg"
    pictures+=("$scratch/pictures/bubble$i.jpg")
done
ball_pics=$(IFS=,; echo "${pictures[*]}")

write_settings() {
    {
        printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\r\n'
        if [ -n "$1" ]; then printf '"BallPic"="%s"\r\n' "$1"; fi
    } >"$XDG_CONFIG_HOME/tessaly/registry.reg"
}

# One start: milliseconds from exec to the first frame, the saver then ended.
time_start() {
    python3 - "$binary" <<'PY'
import subprocess, sys, time
start = time.monotonic()
saver = subprocess.Popen([sys.argv[1], "/s"], stderr=subprocess.PIPE, text=True)
shown = None
for line in saver.stderr:
    if line.startswith("tessaly frame: the first frame is on screen"):
        shown = time.monotonic()
        break
saver.terminate()
saver.wait(timeout=10)
if shown is None:
    sys.exit("the saver never said its first frame was on screen")
print(round(1000 * (shown - start)))
PY
}

report() {
    local name=$1; shift
    printf '%-34s median %4d ms, slowest %4d ms (%s)\n' "$name" \
        "$(printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')" \
        "$(printf '%s\n' "$@" | sort -n | tail -n1)" "$*"
}

echo "exec to first frame at 1920x1080, $runs starts each, load average $(cut -d' ' -f1-3 /proc/loadavg)"
for case in defaults pictures; do
    if [ "$case" = defaults ]; then write_settings ""; else write_settings "$ball_pics"; fi
    times=()
    for _ in $(seq 1 "$runs"); do times+=("$(time_start)"); done
    if [ "$case" = defaults ]; then report "defaults" "${times[@]}"; else report "ten 24-megapixel bubble pictures" "${times[@]}"; fi
done
