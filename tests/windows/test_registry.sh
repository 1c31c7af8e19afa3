#!/usr/bin/env bash
# Settings written by the Windows registry layer land in the user's key
# (witness: reg query), read back in a second run, and values only the
# machine's key has are still read.
source "$(dirname "$0")/lib.sh"
win_init "$@"
tool="$TESSALY_WIN_TESTS/wintest_settings_tool.exe"
forget_settings

wine "$tool" save 7 >>"$E2E_TMP/saver.log" 2>&1 || fail "saving the settings failed"
query=$(wine reg query 'HKCU\Software\Tessaly' /v BallsCount 2>/dev/null | tr -d '\r')
grep -Eq 'BallsCount[[:space:]]+REG_DWORD[[:space:]]+0x7' <<<"$query" || fail "reg query does not show BallsCount 7: $query"
wine reg query 'HKLM\Software\Tessaly' >/dev/null 2>&1 && fail "the machine's key was written"

shown=$(wine "$tool" show 2>>"$E2E_TMP/saver.log" | tr -d '\r')
grep -qx 'BallsCount=7' <<<"$shown" || fail "the second run read: $shown"
grep -qx 'BackPicture=C:\\照片\\西湖.jpg' <<<"$shown" || fail "the Chinese picture name did not survive: $shown"

# What an administrator left for the machine is read where the user has nothing.
wine reg add 'HKLM\Software\Tessaly' /v BallSize /t REG_DWORD /d 25 /f >/dev/null 2>&1 || fail "reg add failed"
wine reg delete 'HKCU\Software\Tessaly' /v BallSize /f >/dev/null 2>&1
shown=$(wine "$tool" show 2>>"$E2E_TMP/saver.log" | tr -d '\r')
grep -qx 'SizeFactor=2.5' <<<"$shown" || fail "the machine's BallSize was not read: $shown"
grep -qx 'BallsCount=7' <<<"$shown" || fail "the user's BallsCount was lost: $shown"

forget_settings
pass
