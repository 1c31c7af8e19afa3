#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests run in (once; later runs reuse it).
# It lives in the build tree, never in the user's home; the .NET and web
# runtimes and the desktop-menu writer stay off, so nothing is fetched and
# nothing lands in the home folder.
set -euo pipefail
prefix=${1:?usage: $0 WINEPREFIX}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
if [ -f "$prefix/.tessaly-ready" ]; then
  exit 0
fi
mkdir -p "$prefix"
# No display: the prefix needs none, and Wine's dialogs stay away.
env -u DISPLAY wineboot --init
wineserver --wait
touch "$prefix/.tessaly-ready"
echo "Wine prefix ready in $prefix"
