#!/usr/bin/env bash
# measure_picture_memory.sh BUILD-DIR [SECONDS]: the saver's peak resident
# memory (VmHWM) at 1920x1080 with slideshows of
#   - two small pictures (the baseline),
#   - a 16000x16000 PNG and a 30000x20000 JPEG,
#   - a 1 GB junk file named .jpg beside a small picture.
# The pictures are made here, in a scratch folder, and removed afterwards.
# Not a test: it prints figures.
set -u
build=$(realpath "${1:?usage: $0 BUILD-DIR [SECONDS]}")
seconds=${2:-20}
source "$(dirname "$0")/../tests/e2e/lib.sh"
source "$(dirname "$0")/../tests/e2e/scene_lib.sh"
e2e_init "$build/src/tessaly" 1920x1080

"$build/bench/big_picture" png 16000 16000 "$E2E_TMP/huge.png" || fail "cannot make the PNG"
"$build/bench/big_picture" jpeg 30000 20000 "$E2E_TMP/huge.jpg" || fail "cannot make the JPEG"
"$build/bench/big_picture" png 640 480 "$E2E_TMP/small.png" || fail "cannot make a picture"
"$build/bench/big_picture" jpeg 800 600 "$E2E_TMP/small.jpg" || fail "cannot make a picture"
head -c 1073741824 /dev/urandom >"$E2E_TMP/junk.jpg"

# slideshow FILE...: settings for a one-second slideshow over these files.
slideshow() {
    local list
    list=$(printf '%s\r\n' "$@")
    write_settings BallsCount=10 SoundOpen=0 BackType=3 BackInterval=1
    printf '"BackPic"=hex(1):%s00\r\n' "$(printf '%s' "$list" | od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//')" \
        >>"$XDG_CONFIG_HOME/tessaly/registry.reg"
}

# peak NAME FILE...: runs the slideshow for $seconds and prints the peak.
peak() {
    local name=$1
    shift
    slideshow "$@"
    saver_start /s
    saver_ready
    sleep "$seconds"   # what is measured: the slideshow running
    local hwm
    hwm=$(awk '/VmHWM/ {print $2}' "/proc/$SAVER_PID/status")
    local started
    started=$(now_ms)
    xdotool key a
    wait_exit "$SAVER_PID" 10 || fail "the saver did not end"
    printf '  %-28s peak resident %4d MB; a key ended it in %d ms\n' "$name" $((hwm / 1024)) $(( $(now_ms) - started ))
}

echo "peak resident memory at 1920x1080, slideshow every second for ${seconds}s:"
peak "small pictures" "$E2E_TMP/small.png" "$E2E_TMP/small.jpg"
peak "16000x16000 PNG, 30000x20000 JPEG" "$E2E_TMP/huge.png" "$E2E_TMP/huge.jpg"
peak "1 GB junk .jpg, small picture" "$E2E_TMP/junk.jpg" "$E2E_TMP/small.png"
echo "error.txt at the end: $(tr -d '\r' <"$XDG_STATE_HOME/tessaly/error.txt" 2>/dev/null)"
SAVER_PID=
