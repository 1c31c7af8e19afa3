# A slideshow entry that cannot be read without waiting (a FIFO named like a
# picture) is logged with its path and never holds up the end of the saver: a
# key press and SIGTERM each end it at once. The times are printed.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/scene_lib.sh"
e2e_init "$@" 800x600

convert -size 320x240 gradient:red-blue "$E2E_TMP/good.jpg" || fail "cannot make a picture"
convert -size 320x240 gradient:green-yellow "$E2E_TMP/good.png" || fail "cannot make a picture"
mkfifo "$E2E_TMP/fifo.jpg"

# The slideshow list: a string holding line breaks, so stored as hex(1).
list=$(printf '%s\r\n' "$E2E_TMP/fifo.jpg" "$E2E_TMP/good.jpg" "$E2E_TMP/fifo.jpg" "$E2E_TMP/good.png")
write_settings BallsCount=5 SoundOpen=0 BackType=3 BackInterval=1
printf '"BackPic"=hex(1):%s00\r\n' "$(printf '%s' "$list" | od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//')" \
    >>"$XDG_CONFIG_HOME/tessaly/registry.reg"
log="$XDG_STATE_HOME/tessaly/error.txt"

fifo_logged() { grep -q "fifo.jpg" "$log" 2>/dev/null; }

# end_and_time HOW: starts the saver, waits until the FIFO has been tried,
# ends the saver by HOW (key or TERM) and prints how long that took.
end_and_time() {
    rm -f "$log"
    saver_start /s
    saver_ready
    wait_for "the FIFO in error.txt" 30 fifo_logged
    local started
    started=$(now_ms)
    if [ "$1" = key ]; then xdotool key a; else kill -TERM "$SAVER_PID"; fi
    wait_exit "$SAVER_PID" 10 || fail "the saver did not end on $1 with a FIFO in the slideshow"
    note "ended by $1 in $(( $(now_ms) - started )) ms with a FIFO in the slideshow"
    [ "$EXIT_STATUS" -eq 0 ] || fail "the saver ended by $1 with status $EXIT_STATUS"
}

end_and_time key
note "error.txt: $(tr -d '\r' <"$log")"
grep -q "\"$E2E_TMP/fifo.jpg\"" "$log" || fail "error.txt does not name the FIFO: $(cat "$log")"
grep -qi "regular file" "$log" || fail "error.txt does not say why: $(cat "$log")"
end_and_time TERM
SAVER_PID=
pass
