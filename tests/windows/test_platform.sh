#!/usr/bin/env bash
# The Win32 platform's own tests (registry, GDI presenter, files, desktop
# capture), which need real windows and so an X server for Wine.
source "$(dirname "$0")/lib.sh"
win_init "$@"
wine "$TESSALY_WIN_TESTS/wintest_win32.exe" --gtest_brief=1 >"$E2E_TMP/gtest.log" 2>&1
status=$?
tr -d '\r' <"$E2E_TMP/gtest.log" | grep -v '^[0-9a-f]*:fixme:' | tail -n 30
[ "$status" -eq 0 ] || fail "the Win32 platform tests failed (status $status)"
pass
