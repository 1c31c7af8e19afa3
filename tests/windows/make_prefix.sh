#!/usr/bin/env bash
# Makes the Wine prefix the Windows tests run in (once; later runs reuse it).
# It lives in the build tree, never in the user's home; the .NET and web
# runtimes and the desktop-menu writer stay off, so nothing is fetched and
# nothing lands in the home folder.
set -euo pipefail
prefix=${1:?usage: $0 WINEPREFIX}
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
if [ ! -f "$prefix/.tessaly-ready" ]; then
  mkdir -p "$prefix"
  # No display: the prefix needs none, and Wine's dialogs stay away.
  env -u DISPLAY wineboot --init
  wineserver --wait
  touch "$prefix/.tessaly-ready"
fi
# Wine has no Chinese face of its own. The settings dialog's font, "宋体",
# becomes an installed family that is the system's WenQuanYi Micro Hei
# (fonts-wqy-microhei), so the dialog finds the font its form names and draws
# real glyphs, as on a Chinese Windows. Written as a Unicode .reg file: a
# command line would pass the name through the ANSI code page.
if [ ! -f "$prefix/.tessaly-fonts" ]; then
  fonts=$prefix/tessaly-fonts.reg
  printf '%s\r\n' 'Windows Registry Editor Version 5.00' '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"宋体"="WenQuanYi Micro Hei"' '"SimSun"="WenQuanYi Micro Hei"' '' |
    iconv -f UTF-8 -t UTF-16 >"$fonts"
  env -u DISPLAY wine regedit /S "$(winepath -w "$fonts")"
  wineserver --wait
  touch "$prefix/.tessaly-fonts"
fi
echo "Wine prefix ready in $prefix"
