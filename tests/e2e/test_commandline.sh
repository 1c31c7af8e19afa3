# The entry's answers to the command line: a preview parent that is no number
# ends the run with the conversion message and a failure status before any
# window appears; the password-change mode ends at once with status 0;
# --help, -h and --version answer on standard output and start nothing.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

# run_program ARGS...: runs the program bounded in time; RUN_STATUS.
run_program() {
    RUN_STATUS=0
    timeout 10 "$TESSALY" "$@" >"$E2E_TMP/out" 2>"$E2E_TMP/err" || RUN_STATUS=$?
}

no_saver_window() { ! search_windows --class "$SAVER_CLASS" >/dev/null; }

for args in "/P4196|''" "/p|''" "/p 12a|'12a'" "-p 0x|'0x'" "p 99999999999|'99999999999'"; do
    line=${args%|*}
    shown=${args#*|}
    # shellcheck disable=SC2086 # the arguments are split on purpose
    run_program $line
    [ "$RUN_STATUS" -ne 0 ] && [ "$RUN_STATUS" -lt 124 ] || fail "'$line' ended with status $RUN_STATUS"
    grep -qF "$shown is not a valid integer value" "$E2E_TMP/err" ||
        fail "'$line' said: $(cat "$E2E_TMP/err")"
    [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "'$line' wrote more than one line: $(cat "$E2E_TMP/err")"
    no_saver_window || fail "'$line' left a window"
    note "$line: $(cat "$E2E_TMP/err")"
done

for line in "/a" "/A 4196" "-a"; do
    # shellcheck disable=SC2086
    run_program $line
    [ "$RUN_STATUS" -eq 0 ] || fail "'$line' ended with status $RUN_STATUS"
    [ ! -s "$E2E_TMP/err" ] || fail "'$line' said: $(cat "$E2E_TMP/err")"
    no_saver_window || fail "'$line' left a window"
done
# The usage names what a user looks for; the version is the program's.
for line in "--help" "-h"; do
    run_program $line
    [ "$RUN_STATUS" -eq 0 ] || fail "'$line' ended with status $RUN_STATUS"
    [ ! -s "$E2E_TMP/err" ] || fail "'$line' said on standard error: $(cat "$E2E_TMP/err")"
    for topic in '/s' '/p WINDOW-ID' '--root' 'registry.reg' 'error.txt' 'SDL_RENDER_DRIVER' 'TESSALY_VERBOSE'; do
        grep -qF -- "$topic" "$E2E_TMP/out" || fail "'$line' does not mention $topic"
    done
    no_saver_window || fail "'$line' left a window"
done
run_program --version
[ "$RUN_STATUS" -eq 0 ] || fail "--version ended with status $RUN_STATUS"
grep -qxE 'tessaly [0-9]+\.[0-9]+\.[0-9]+' "$E2E_TMP/out" || fail "--version said: $(cat "$E2E_TMP/out")"
[ ! -s "$E2E_TMP/err" ] || fail "--version said on standard error: $(cat "$E2E_TMP/err")"
no_saver_window || fail "--version left a window"
note "--version: $(cat "$E2E_TMP/out")"
pass
