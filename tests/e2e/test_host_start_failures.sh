# A start that cannot go on ends with one line on standard error and status 1,
# never with a signal; a preview whose window goes away while it starts, or
# that names no window at all, ends quietly.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/scene_lib.sh"
e2e_init "$@"

# A hand-edited hive where a number is stored as a string.
mkdir -p "$XDG_CONFIG_HOME/tessaly"
printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\r\n"BallsCount"="10"\r\n' \
    >"$XDG_CONFIG_HOME/tessaly/registry.reg"
expected="tessaly: Invalid data type for 'BallsCount'"
parent_window_start 320 240
for args in "/s" "/p $PARENT_WINDOW"; do
    : >"$E2E_TMP/saver.log"
    # shellcheck disable=SC2086 # two words on purpose
    saver_start $args
    wait_exit "$SAVER_PID" 30 || fail "tessaly $args with a wrongly typed value did not end"
    [ "$EXIT_STATUS" -eq 1 ] || fail "tessaly $args ended with status $EXIT_STATUS, not 1"
    [ "$(program_errors "$E2E_TMP/saver.log")" = "$expected" ] ||
        fail "tessaly $args printed '$(program_errors "$E2E_TMP/saver.log")', not '$expected'"
    saver_window >/dev/null && fail "tessaly $args left a window behind"
done
parent_window_destroy
parent_window_end
note "a wrongly typed value ends /s and /p with: $expected"

write_settings BallsCount=10 SoundOpen=0
for zero in 0 -0 0x0 '$0'; do
    : >"$E2E_TMP/saver.log"
    saver_start /p "$zero"
    wait_exit "$SAVER_PID" 10 || fail "tessaly /p $zero did not end"
    [ "$EXIT_STATUS" -eq 0 ] || fail "tessaly /p $zero ended with status $EXIT_STATUS"
    ! program_errors "$E2E_TMP/saver.log" >/dev/null || fail "tessaly /p $zero printed something"
done
note "/p 0, -0, 0x0 and \$0 end quietly"

# The parent goes away at a random moment within the first 300 ms of the start.
starts=50
for try in $(seq 1 "$starts"); do
    : >"$E2E_TMP/saver.log"
    parent_window_start 160 120
    saver_start /p "$PARENT_WINDOW"
    sleep "0.$(printf '%03d' $((RANDOM % 300)))"   # what is tested: the moment
    parent_window_destroy
    parent_window_end
    wait_exit "$SAVER_PID" 30 || fail "start $try: the preview outlived its parent"
    [ "$EXIT_STATUS" -eq 0 ] || fail "start $try: the preview ended with status $EXIT_STATUS"
    ! program_errors "$E2E_TMP/saver.log" >/dev/null ||
        fail "start $try: the preview printed: $(program_errors "$E2E_TMP/saver.log" | head -n 3)"
done
SAVER_PID=
note "$starts previews whose parent went away during the start all ended with status 0"
pass
