# The slideshow's cross-fade is seen on screen: a pixel in the middle of the
# screen is read about every millisecond while the saver fades from one plain
# picture to the other. The test prints how long the fade took and how many
# colours between the two it showed; it fails only when it shows none (a hard
# cut) or no fade at all.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/scene_lib.sh"
e2e_init "$@" 1280x720

# Longer than a whole fade: a tick that comes while the loader is still
# fading is not taken, and two pictures would then keep naming the same one.
INTERVAL_SECONDS=4
# The first tick shows a picture, the second fades to the other; room for a busy machine.
WATCH_SECONDS=30
FROM=fa1e1e
TO=1e1efa

watcher=${TESSALY_E2E_PIXEL_WATCH:-$(dirname "$TESSALY")/../tests/e2e/e2e_pixel_watch}
[ -x "$watcher" ] || fail "no pixel watcher at $watcher"

convert -size 64x36 "xc:#$FROM" "$E2E_TMP/from.png"
convert -size 64x36 "xc:#$TO" "$E2E_TMP/to.png"
# In list order the first tick shows the second path, the next one the first.
paths=$(printf '%s\r\n%s\r\n' "$E2E_TMP/to.png" "$E2E_TMP/from.png")
back_pic=$( { printf '%s' "$paths"; printf '\0'; } | od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//; s/,$//')
write_settings BackType=3 BallsCount=0 RandomPlay=0 BackInterval=$INTERVAL_SECONDS SoundOpen=0
printf '"BackPic"=hex(1):%s\r\n' "$back_pic" >>"$XDG_CONFIG_HOME/tessaly/registry.reg"

"$watcher" $(( SCREEN_WIDTH / 2 )) $(( SCREEN_HEIGHT / 2 )) "$WATCH_SECONDS" >"$E2E_TMP/pixel.txt" &
watch_pid=$!
E2E_EXTRA_PIDS="$watch_pid"
saver_start /s
saver_ready

# The blends truncate, so the fade ends a unit or two short of the picture's
# own colour: a reading within NEAR of it on every channel counts as there.
NEAR=4
# fade_figures: "MILLISECONDS COLOURS" from the first change after a reading
# of FROM to the first reading near TO, and the colours seen between them;
# nothing before the fade has ended.
fade_figures() {
    awk -v from="$FROM" -v to="$TO" -v near="$NEAR" '
        function digit(d) { return index("0123456789abcdef", d) - 1 }
        function channel(c, i) { return 16 * digit(substr(c, 2 * i - 1, 1)) + digit(substr(c, 2 * i, 1)) }
        function close_to(a, b,   i, d) {
            for (i = 1; i <= 3; i++) { d = channel(a, i) - channel(b, i); if (d > near || d < -near) return 0 }
            return 1
        }
        $2 == from { shown = 1; start = ""; delete seen; n = 0; next }
        !shown { next }
        start == "" { start = $1 }
        close_to($2, to) { print $1 - start, n; exit }
        !($2 in seen) { seen[$2] = 1; n++ }' "$E2E_TMP/pixel.txt"
}
fade_seen() { [ -n "$(fade_figures)" ]; }
deadline=$(( $(now_ms) + WATCH_SECONDS * 1000 ))
until fade_seen; do
    [ "$(now_ms)" -lt "$deadline" ] ||
        fail "no fade from #$FROM to #$TO in ${WATCH_SECONDS}s; the pixel was: $(head -n 40 "$E2E_TMP/pixel.txt" | tr '\n' ' ')"
    sleep "$E2E_POLL"
done
read -r duration between < <(fade_figures)
kill -TERM "$watch_pid" 2>/dev/null
[ -n "$duration" ] || fail "no fade in the readings: $(head -c 400 "$E2E_TMP/pixel.txt")"
note "fade from #$FROM to #$TO at ${SCREEN_WIDTH}x$SCREEN_HEIGHT: $(awk -v ms="$duration" 'BEGIN { printf "%.2f", ms / 1000 }') s, $between colours in between (load: $(cut -d' ' -f1-3 /proc/loadavg))"
[ "$between" -gt 0 ] || fail "the picture changed in one cut, with no colour in between"
pass
