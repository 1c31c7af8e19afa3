# Frames shown through the saver's shared image reach the window exactly,
# change after change and after the window changed size (ShmFrames.cpp).
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

status=0
SDL_VIDEODRIVER=x11 timeout 30 "$TESSALY_E2E_SHM_FRAMES" >"$E2E_TMP/out" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the window does not show what was drawn (status $status): $(cat "$E2E_TMP/out")"
pass
