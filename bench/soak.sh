#!/usr/bin/env bash
# soak.sh BUILD-DIR [MINUTES]: the saver of a sanitizer build (BUILD-DIR, as
# scripts/test makes build/asan) runs full screen for MINUTES (default 30)
# with 100 bubbles and a one-second slideshow over good, damaged, huge,
# vanishing and blocking (FIFO) files, while previews are started over and
# over and their parent window destroyed at a random moment of their first
# 300 ms. Prints the saver's resident memory every minute, how the previews
# ended, and at the end every sanitizer report. Not part of the tests.
set -u
build=$(realpath "${1:?usage: $0 BUILD-DIR [MINUTES]}")
minutes=${2:-30}
here=$(dirname "$(realpath "$0")")
source "$here/../tests/e2e/lib.sh"
source "$here/../tests/e2e/scene_lib.sh"
e2e_init "$build/src/tessaly" 1280x720
# The helpers come from the sanitizer build when it has them, else from the
# ordinary test build beside it.
helper() {
    local name
    for name in "$build/$1" "$here/../build/test/$1"; do
        [ -x "$name" ] && { echo "$name"; return 0; }
    done
    return 1
}
TESSALY_E2E_PARENT_WINDOW=${TESSALY_E2E_PARENT_WINDOW:-$(helper tests/e2e/e2e_parent_window)} ||
    fail "no e2e_parent_window (build the target in $build or build/test)"
export TESSALY_E2E_PARENT_WINDOW
reports="$E2E_TMP/reports"
mkdir -p "$reports"
# The slow unwinder follows allocations through libraries built without frame
# pointers (Mesa), so that the suppressions can match their whole stack.
export ASAN_OPTIONS="detect_leaks=1:fast_unwind_on_malloc=0:log_path=$reports/asan"
export UBSAN_OPTIONS="print_stacktrace=1:log_path=$reports/ubsan"
export LSAN_OPTIONS="suppressions=$here/../tests/sanitizers/lsan.supp:print_suppressions=0"

pictures=$(helper bench/big_picture) || fail "no big_picture (build the target in $build or build/test)"
"$pictures" jpeg 1600 1200 "$E2E_TMP/good.jpg"
"$pictures" png 1024 768 "$E2E_TMP/good.png"
"$pictures" png 16000 16000 "$E2E_TMP/huge.png"
head -c 20000 "$E2E_TMP/good.jpg" >"$E2E_TMP/damaged.jpg"
head -c 3000 "$E2E_TMP/good.png" >"$E2E_TMP/damaged.png"
mkfifo "$E2E_TMP/fifo.jpg"
list=$(printf '%s\r\n' good.jpg damaged.jpg huge.png vanishing.jpg fifo.jpg good.png damaged.png | sed "s|^|$E2E_TMP/|")
write_settings BallsCount=100 SoundOpen=0 BackType=3 BackInterval=1
printf '"BackPic"=hex(1):%s00\r\n' "$(printf '%s' "$list" | od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//')" \
    >>"$XDG_CONFIG_HOME/tessaly/registry.reg"

# A file that comes and goes while the slideshow reads it.
( while :; do cp "$E2E_TMP/good.jpg" "$E2E_TMP/vanishing.jpg"; sleep 0.7; rm -f "$E2E_TMP/vanishing.jpg"; sleep 0.6; done ) &
E2E_EXTRA_PIDS="${E2E_EXTRA_PIDS:-} $!"

saver_start /s
saver_ready
saver=$SAVER_PID

previews=0
signalled=0
failed=0
end=$(( $(now_ms) + minutes * 60000 ))
next_report=$(( $(now_ms) + 60000 ))
minute=0
echo "soak: $minutes minutes, saver pid $saver"
while [ "$(now_ms)" -lt "$end" ]; do
    kill -0 "$saver" 2>/dev/null || { wait "$saver"; fail "the saver ended by itself with status $?"; }
    parent_window_start 160 120
    "$TESSALY" /p "$PARENT_WINDOW" >>"$E2E_TMP/preview.log" 2>&1 &
    preview=$!
    sleep "0.$(printf '%03d' $((RANDOM % 300)))"   # what is soaked: the moment
    parent_window_destroy
    parent_window_end
    if wait_exit "$preview" 60; then
        previews=$((previews + 1))
        [ "$EXIT_STATUS" -gt 128 ] && signalled=$((signalled + 1))
        [ "$EXIT_STATUS" -ne 0 ] && [ "$EXIT_STATUS" -le 128 ] && failed=$((failed + 1))
    else
        kill -KILL "$preview" 2>/dev/null
        failed=$((failed + 1))
    fi
    if [ "$(now_ms)" -ge "$next_report" ]; then
        minute=$((minute + 1))
        next_report=$((next_report + 60000))
        rss=$(awk '/VmRSS/ {print $2}' "/proc/$saver/status")
        echo "  minute $minute: saver resident $((rss / 1024)) MB; previews $previews (signal deaths $signalled, other failures $failed); sanitizer reports $(ls "$reports" | wc -l)"
    fi
done

hwm=$(awk '/VmHWM/ {print $2}' "/proc/$saver/status")
kill -TERM "$saver"
wait_exit "$saver" 10 || fail "SIGTERM did not end the saver"
SAVER_PID=
echo "saver ended by SIGTERM with status $EXIT_STATUS; its peak resident memory was $((hwm / 1024)) MB"
echo "previews: $previews, signal deaths $signalled, other failures $failed"
echo "error.txt at the end: $(tr -d '\r' <"$XDG_STATE_HOME/tessaly/error.txt" 2>/dev/null)"
count=$(ls "$reports" | wc -l)
echo "sanitizer reports: $count"
for report in "$reports"/*; do
    [ -e "$report" ] || continue
    echo "--- $(basename "$report")"
    head -n 40 "$report"
done
[ "$count" -eq 0 ] && [ "$signalled" -eq 0 ] && [ "$EXIT_STATUS" -eq 0 ]
