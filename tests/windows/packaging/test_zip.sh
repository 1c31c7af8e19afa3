#!/usr/bin/env bash
# test_zip.sh ZIP VERSION: the zip to install by hand holds the saver, named and
# versioned for the control panel and Explorer, and a read-me Notepad shows.
source "$(dirname "$0")/../../e2e/lib.sh"
zip=${1:?usage: $0 ZIP VERSION}
version=${2:?usage: $0 ZIP VERSION}
[ -f "$zip" ] || fail "no zip at $zip"
work=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-zip.XXXXXX")
trap 'rm -rf "$work"' EXIT

names=$(python3 -c 'import sys, zipfile; print("\n".join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))' "$zip") ||
    fail "python cannot read the zip"
[ "$names" = "$(printf 'README.txt\ntessaly.scr')" ] || fail "the zip holds, instead of README.txt and tessaly.scr: $names"
python3 -m zipfile -e "$zip" "$work" || fail "the zip does not unpack"

file "$work/tessaly.scr" | grep -q 'PE32+ executable (GUI) x86-64.*stripped' ||
    fail "tessaly.scr is not a stripped 64-bit Windows program: $(file "$work/tessaly.scr")"

# The control panel's list names a screen saver by its string 1.
resources=$(x86_64-w64-mingw32-windres "$work/tessaly.scr" -O rc) || fail "windres cannot read tessaly.scr's resources"
grep -q '^ *1, "Tessaly"$' <<<"$resources" || fail "tessaly.scr has no description string 1 \"Tessaly\""
grep -q "VALUE \"FileVersion\", \"$version\"" <<<"$resources" || fail "tessaly.scr's version resource does not say $version"

readme=$work/README.txt
[ "$(head -c 3 "$readme" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
    fail "README.txt does not start with the UTF-8 byte-order mark Notepad recognises"
iconv -f UTF-8 -t UTF-8 "$readme" >/dev/null 2>&1 || fail "README.txt is not UTF-8"
bare=$(grep -c $'[^\r]$\|^$' "$readme")
[ "$bare" -eq 0 ] || fail "README.txt has $bare line(s) without Windows line endings"
[ "$(tail -c 2 "$readme" | od -An -tx1 | tr -d ' ')" = 0d0a ] || fail "README.txt's last line has no line ending"
text=$(tr -d '\r' <"$readme")
for phrase in "Tessaly $version" '右键' '“安装”' '"Install"' 'C:\Windows\System32' '删除 tessaly.scr' \
              'delete tessaly.scr' 'HKEY_CURRENT_USER\Software\Tessaly'; do
    grep -qF -- "$phrase" <<<"$text" || fail "README.txt does not say: $phrase"
done
pass
