# Any key, Alt held alone, and each of the three mouse buttons end the
# full-screen saver.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

end_with() {
    local what=$1
    shift
    saver_start /s
    saver_ready
    "$@"
    wait_exit "$SAVER_PID" 5 || fail "$what did not end the saver"
    [ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS after $what"
    note "$what ends it"
}

end_with "the key a" xdotool key a
# Escape belongs to the scene, which closes itself; the next key ends the saver.
end_with "Escape, then a key" xdotool key Escape sleep 0.3 key b
end_with "Alt alone" xdotool key Alt_L
end_with "the left button" xdotool click 1
end_with "the middle button" xdotool click 2
end_with "the right button" xdotool click 3
SAVER_PID=
pass
