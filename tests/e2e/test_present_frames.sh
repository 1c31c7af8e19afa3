# Frames of moving, overlapping, turning bubbles drawn by the CPU compositor
# reach the window exactly, each present sending only what changed
# (PresentFrames.cpp).
source "$(dirname "$0")/lib.sh"
e2e_init "$@"

status=0
SDL_VIDEODRIVER=x11 timeout 60 "$TESSALY_E2E_PRESENT_FRAMES" >"$E2E_TMP/out" 2>&1 || status=$?
[ "$status" -eq 0 ] || fail "the window does not show what was drawn (status $status): $(cat "$E2E_TMP/out")"
pass
