#!/usr/bin/env bash
# test_package.sh CPACK BUILD_DIR SOURCE_DIR VERSION: builds the Debian package
# of an already built tree, checks what it declares, unpacks it into a scratch
# root and checks that every file is where the desktop looks for it, that the
# unpacked program runs, and that the manual page renders without warnings.
set -uo pipefail

cpack=${1:?usage: $0 CPACK BUILD_DIR SOURCE_DIR VERSION}
build=$(realpath "$2")
source=$(realpath "$3")
version=$4

# Root-mean-square difference (0..1) allowed between a committed small icon
# and the program icon scaled now: room for another scaler's rounding, far
# below what a changed picture gives.
ICON_TOLERANCE=0.02

failures=0
check() {                       # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@" >/dev/null 2>&1; then
        echo "  ok: $what"
    else
        echo "FAIL: $what" >&2
        failures=$((failures + 1))
    fi
}
die() { echo "FAIL: $*" >&2; exit 1; }

for tool in dpkg-deb dpkg-shlibdeps apt-get file man xmllint desktop-file-validate convert compare; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (scripts/install-deps)"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tessaly-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

# -B keeps the package and CPack's staging tree out of the build folder, so
# that this test can run beside others that use it.
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; die "cpack could not build the package"; }
debs=("$work"/out/tessaly_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || die "expected one tessaly_*.deb, found: ${debs[*]}"
deb=${debs[0]}
arch=$(dpkg --print-architecture)
check "the package file is named tessaly_${version}_${arch}.deb" \
    test "$(basename "$deb")" = "tessaly_${version}_${arch}.deb"

echo "what the package declares"
field() { dpkg-deb -f "$deb" "$1"; }
check "Package is tessaly" test "$(field Package)" = tessaly
check "Version is $version" test "$(field Version)" = "$version"
check "Architecture is $arch" test "$(field Architecture)" = "$arch"
depends=$(field Depends)
# One dependency group (between commas) naming a package that matches.
declares() { tr ',' '\n' <<<"$depends" | grep -Eq "(^|[| ])$1"; }
check "depends on SDL2" declares 'libsdl2-2\.0-0'
check "depends on Qt 6 Widgets" declares 'libqt6widgets6'
check "depends on libpng" declares 'libpng16-16'
check "depends on libjpeg-turbo" declares 'libjpeg62-turbo'
check "depends on FluidSynth" declares 'libfluidsynth[0-9]'
check "depends on a General MIDI soundfont" declares '(timgm6mb-soundfont|fluid-soundfont-gm)'
check "depends on a CJK font" declares 'fonts-(noto-cjk|arphic-uming|wqy-zenhei)'
check "depends on Qt's Chinese translations" declares 'qt6-translations-l10n'
check "recommends XScreenSaver" grep -qw xscreensaver <<<"$(field Recommends)"
# apt resolves every dependency (and would fetch what is missing) without
# installing anything.
check "apt can install the package" \
    bash -c 'apt-get install -s --no-install-recommends "$1" 2>&1 | grep -q "^Inst tessaly "' _ "$deb"

echo "the unpacked files"
root=$work/root
dpkg-deb -x "$deb" "$root" || die "dpkg-deb -x failed"
expected=(
    usr/bin/tessaly
    usr/libexec/xscreensaver/tessaly
    usr/share/xscreensaver/config/tessaly.xml
    usr/share/applications/tessaly.desktop
    usr/share/man/man1/tessaly.1.gz
)
for size in 16 24 32 48 64 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/tessaly.png")
done
actual=$(cd "$root" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort)
check "exactly the expected files, nothing more" \
    test "$actual" = "$(printf '%s\n' "${expected[@]}" | sort)"
[ "$actual" = "$(printf '%s\n' "${expected[@]}" | sort)" ] ||
    diff <(printf '%s\n' "${expected[@]}" | sort) - <<<"$actual" >&2

program=$root/usr/bin/tessaly
check "the program is a stripped executable" \
    bash -c 'file -L "$1" | grep -q "ELF.*executable.*, stripped"' _ "$program"
check "every library the program needs is on this machine" \
    bash -c '! ldd "$1" | grep -q "not found"' _ "$program"
# /a ends at once on this platform, without a display: the unpacked program
# starts, reads its command line and ends cleanly.
check "the unpacked program runs" env -u DISPLAY HOME="$work" "$program" /a
hack=$root/usr/libexec/xscreensaver/tessaly
check "the hack is a relative link" bash -c '[ -L "$1" ] && [[ $(readlink "$1") != /* ]]' _ "$hack"
check "the hack leads to the program" test "$(realpath "$hack")" = "$(realpath "$program")"

echo "XScreenSaver's description"
xml=$root/usr/share/xscreensaver/config/tessaly.xml
xpath() { xmllint --xpath "$1" "$xml" 2>/dev/null; }
check "tessaly.xml is well-formed" xmllint --noout "$xml"
check "it describes the hack named tessaly" test "$(xpath 'string(/screensaver/@name)')" = tessaly
check "XScreenSaver starts it with --root" test "$(xpath 'string(/screensaver/command/@arg)')" = --root
description=$(xpath 'string(/screensaver/_description)')
check "the description says where the settings live" grep -q 'tessaly/registry.reg' <<<"$description"
check "the description says how to open the settings" grep -q 'tessaly /c' <<<"$description"

echo "desktop entry and icons"
entry=$root/usr/share/applications/tessaly.desktop
check "the desktop entry is valid" desktop-file-validate "$entry"
check "it opens the settings dialog" grep -qx 'Exec=tessaly /c' "$entry"
check "it names the installed icon" grep -qx 'Icon=tessaly' "$entry"
for size in 16 24 32 48 64 128 256; do
    icon=$root/usr/share/icons/hicolor/${size}x${size}/apps/tessaly.png
    check "the ${size}x${size} icon is a PNG of that size with alpha" \
        bash -c 'file "$1" | grep -q "PNG image data, $2 x $2, 8-bit/color RGBA"' _ "$icon" "$size"
done
check "the 256x256 icon is the program's own" \
    cmp "$root/usr/share/icons/hicolor/256x256/apps/tessaly.png" "$source/resources/MAINICON.png"
# The smaller ones are committed; after the icon changes they must be made
# again (packaging/make-icons), or the menus show the old one.
same_picture() {                # same_picture PNG SIZE: matches the icon scaled to SIZE
    convert "$source/resources/MAINICON.png" -filter Lanczos -resize "$2x$2" "PNG32:$work/scaled.png" &&
        awk -v e="$(compare -metric RMSE "$work/scaled.png" "$1" null: 2>&1 | sed 's/.*(\(.*\))/\1/')" \
            -v most="$ICON_TOLERANCE" 'BEGIN { exit !(e != "" && e <= most) }'
}
for size in 16 24 32 48 64 128; do
    check "the ${size}x${size} icon is the program icon, scaled" \
        same_picture "$root/usr/share/icons/hicolor/${size}x${size}/apps/tessaly.png" "$size"
done

echo "manual page"
page=$root/usr/share/man/man1/tessaly.1.gz
check "the installed page is the source's" cmp <(gzip -dc "$page") "$source/packaging/tessaly.1"
# Warnings of groff and of man itself go to standard error.
LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l "$page" >"$work/man.txt" 2>"$work/man.err"
check "man renders the page" test -s "$work/man.txt"
check "without warnings" test ! -s "$work/man.err"
[ -s "$work/man.err" ] && cat "$work/man.err" >&2
check "its NAME line can be indexed by whatis" bash -c 'lexgrog "$1" | grep -q "tessaly - "' _ "$page"
check "its header carries the package version" \
    bash -c 'gzip -dc "$1" | grep -q "^\.TH TESSALY 1 .*\"Tessaly $2\""' _ "$page" "$version"
# Wide enough that no line breaks or hyphenates inside a topic.
MANWIDTH=1000 man -E UTF-8 -l "$page" >"$work/man-wide.txt" 2>/dev/null
for topic in '/p window-id' '--root' 'XSCREENSAVER_WINDOW' 'registry.reg' 'error.txt' \
             'HKEY_LOCAL_MACHINE\software\Tessaly' 'xautolock'; do
    check "it documents $topic" grep -qF -- "$topic" "$work/man-wide.txt"
done

[ "$failures" -eq 0 ] || die "$failures check(s) failed"
echo "PASS (test_package)"
