#!/usr/bin/env bash
# run_unit.sh WINE PROGRAM ARGS...: one test program under Wine in the prefix
# the environment names. A program started just as the prefix's wineserver,
# idle after the test before, is shutting down can lose its connection to it
# ("wine client error") before any test has run; Wine is then started once
# more, after the old server has gone. Any other failure stands.
wine=$1
shift
for attempt in 1 2; do
    output=$("$wine" "$@" 2>&1)
    status=$?
    printf '%s\n' "$output"
    if [ "$status" -ne 0 ] && [ "$attempt" -eq 1 ] && grep -q 'wine client error' <<<"$output" \
        && ! grep -q '^\[==========\]' <<<"$output"; then
        echo "Wine lost its server before the tests started; starting it once more" >&2
        timeout 60 wineserver --wait 2>/dev/null || true
        continue
    fi
    exit "$status"
done
