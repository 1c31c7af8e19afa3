#!/usr/bin/env bash
# make_packages.sh CPACK BUILD_DIR OUT_DIR: the installer and the zip of an
# already built Windows tree, made afresh in OUT_DIR.
set -euo pipefail
cpack=${1:?usage: $0 CPACK BUILD_DIR OUT_DIR}
build=$2
out=$3
rm -rf "$out"
mkdir -p "$out"
if ! "$cpack" --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1; then
    cat "$out/cpack.log" >&2
    echo "FAIL: cpack could not make the Windows packages" >&2
    exit 1
fi
ls -l "$out"/tessaly-*
