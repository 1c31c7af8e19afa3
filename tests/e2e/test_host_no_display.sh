# Without an X display the saver says so in one line and fails; it neither
# hangs nor crashes.
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

for display in "" ":93"; do
    if [ -z "$display" ]; then unset DISPLAY; else export DISPLAY=$display; fi
    status=0
    timeout 10 "$TESSALY" /s >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
    [ "$status" -ne 0 ] && [ "$status" -lt 124 ] || fail "status $status without a display '$display'"
    [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "not one line on standard error: $(cat "$E2E_TMP/err")"
    grep -q 'display' "$E2E_TMP/err" || fail "the error does not mention the display: $(cat "$E2E_TMP/err")"
    note "DISPLAY='$display': $(cat "$E2E_TMP/err")"
done
pass
