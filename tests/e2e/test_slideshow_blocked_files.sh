# Slideshow entries that cannot be read without waiting are logged with their
# path and never hold up the end of the saver: a FIFO named like a picture, and
# a file on a share that stopped answering (a FUSE file system whose reads never
# return). A key press and SIGTERM each end the saver at once while a read
# hangs; the times are printed.
here=$(dirname "$(realpath "$0")")
source "$here/lib.sh"
source "$here/scene_lib.sh"
e2e_init "$@" 800x600

convert -size 320x240 gradient:red-blue "$E2E_TMP/good.jpg" || fail "cannot make a picture"
convert -size 320x240 gradient:green-yellow "$E2E_TMP/good.png" || fail "cannot make a picture"
mkfifo "$E2E_TMP/fifo.jpg"
log="$XDG_STATE_HOME/tessaly/error.txt"

# The silent share, where FUSE can be mounted here.
share="$E2E_TMP/share"
share_log="$E2E_TMP/share.log"
SHARE_PID=
end_share() {
    [ -n "$SHARE_PID" ] && kill -KILL "$SHARE_PID" 2>/dev/null   # only SIGKILL ends it
    fusermount -u -z "$share" 2>/dev/null
    e2e_cleanup
}
trap end_share EXIT
if /usr/bin/python3 -c 'import fusepy' 2>/dev/null && [ -e /dev/fuse ]; then
    /usr/bin/python3 "$here/silent_share.py" "$share" >"$share_log" 2>&1 &
    SHARE_PID=$!
    disown "$SHARE_PID"   # its SIGKILL at the end is expected, not news
    deadline=$(( $(now_ms) + 10000 ))
    until grep -q mounted "$share_log" 2>/dev/null || [ "$(now_ms)" -ge "$deadline" ]; do sleep "$E2E_POLL"; done
    grep -q mounted "$share_log" || { kill -KILL "$SHARE_PID"; SHARE_PID=; }
fi
[ -n "$SHARE_PID" ] || note "FUSE cannot be mounted here: only the FIFO is tried"

# slideshow FILE...: a one-second slideshow over these files. The list is a
# string holding line breaks, so stored as hex(1); the first tick names the
# second file.
slideshow() {
    local list
    list=$(printf '%s\r\n' "$@")
    write_settings BallsCount=5 SoundOpen=0 BackType=3 BackInterval=1
    printf '"BackPic"=hex(1):%s00\r\n' "$(printf '%s' "$list" | od -An -v -tx1 | tr -s ' \n' ',' | sed 's/^,//')" \
        >>"$XDG_CONFIG_HOME/tessaly/registry.reg"
}

logged() { grep -q "$1" "$log" 2>/dev/null; }
reads_waiting() { [ "$(grep -c reading "$share_log")" -ge "$1" ]; }

# end_and_time HOW WHAT WAITING...: starts the saver, waits until WAITING
# succeeds, ends the saver by HOW (key or TERM) and prints how long that took.
end_and_time() {
    local how=$1 what=$2
    shift 2
    rm -f "$log"
    saver_start /s
    saver_ready
    wait_for "$what" 30 "$@"
    local started
    started=$(now_ms)
    if [ "$how" = key ]; then xdotool key a; else kill -TERM "$SAVER_PID"; fi
    wait_exit "$SAVER_PID" 10 || fail "the saver did not end on $how with $what"
    note "ended by $how in $(( $(now_ms) - started )) ms with $what"
    [ "$EXIT_STATUS" -eq 0 ] || fail "the saver ended by $how with status $EXIT_STATUS"
    saver_window >/dev/null && fail "the saver's window stayed after $how"
}

if [ -n "$SHARE_PID" ]; then
    slideshow "$E2E_TMP/good.jpg" "$share/stuck.jpg" "$E2E_TMP/good.png"
    end_and_time key "a read hanging on the share" reads_waiting 1
    end_and_time TERM "a read hanging on the share" reads_waiting 2
    # Left alone, the hanging read is given up and logged with its reason.
    rm -f "$log"
    saver_start /s
    saver_ready
    wait_for "the hanging file in error.txt" 30 logged stuck.jpg
    note "error.txt: $(tr -d '\r' <"$log")"
    grep -q "\"$share/stuck.jpg\". It did not answer" "$log" || fail "error.txt does not say why: $(cat "$log")"
    xdotool key a
    wait_exit "$SAVER_PID" 10 || fail "the saver did not end"
fi

slideshow "$E2E_TMP/good.jpg" "$E2E_TMP/fifo.jpg" "$E2E_TMP/good.png"
end_and_time key "the FIFO tried" logged fifo.jpg
note "error.txt: $(tr -d '\r' <"$log")"
grep -q "\"$E2E_TMP/fifo.jpg\". It is not a regular file" "$log" || fail "error.txt does not say why: $(cat "$log")"
end_and_time TERM "the FIFO tried" logged fifo.jpg
SAVER_PID=
pass
