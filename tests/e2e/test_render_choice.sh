# The renderer choice: on a machine whose only OpenGL runs on the processor
# (Xvfb has nothing else) the CPU compositor draws, and no OpenGL driver is
# loaded into the saver to learn that: Xvfb offers no direct rendering, and a
# driver named in the environment has a copy of the saver ask OpenGL itself.
# The choice is told on standard error with TESSALY_VERBOSE=1 only;
# SDL_RENDER_DRIVER still picks SDL's renderer.
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/scene_lib.sh"
e2e_init "$@" 640x480

write_settings SoundOpen=0
gl_drivers() { grep -E 'swrast_dri|libLLVM|_dri\.so|libGLX_mesa' "/proc/$1/maps" || true; }

# With the display's signs alone, then with the asking copy.
for named in "" llvmpipe; do
    : >"$E2E_TMP/saver.log"
    GALLIUM_DRIVER=$named TESSALY_VERBOSE=1 saver_start /s
    saver_ready
    wait_for "the first frame" 10 shot_drawn "$E2E_TMP/verbose$named.png"
    line=$(grep '^tessaly renderer: ' "$E2E_TMP/saver.log" || true)
    note "${line:-no renderer line}"
    [ -n "$line" ] || fail "TESSALY_VERBOSE=1 did not tell which renderer draws"
    loaded=$(gl_drivers "$SAVER_PID")
    xdotool key a
    wait_exit "$SAVER_PID" 5 || fail "a key did not end the saver"
    case "$line" in
        *"cpu ("*"compositor"*)
            [ -z "$loaded" ] || fail "the CPU compositor draws, yet OpenGL drivers are mapped: $loaded" ;;
        *) note "OpenGL on graphics hardware here: the mapping check does not apply" ;;
    esac
    if [ -n "$named" ]; then
        case "$line" in *"$named"*) ;; *) fail "the copy was not asked with GALLIUM_DRIVER set: $line" ;; esac
    fi
done

: >"$E2E_TMP/saver.log"
saver_start /s
saver_ready
wait_for "the first frame" 10 shot_drawn "$E2E_TMP/quiet.png"
xdotool key a
wait_exit "$SAVER_PID" 5 || fail "a key did not end the saver"
! grep -q 'renderer' "$E2E_TMP/saver.log" || fail "the renderer was told without TESSALY_VERBOSE"

: >"$E2E_TMP/saver.log"
SDL_RENDER_DRIVER=software TESSALY_VERBOSE=1 saver_start /s
saver_ready
wait_for "the first frame" 10 shot_drawn "$E2E_TMP/software.png"
xdotool key a
wait_exit "$SAVER_PID" 5 || fail "a key did not end the saver"
grep -q 'tessaly renderer: SDL.s renderer "software"' "$E2E_TMP/saver.log" || fail "SDL_RENDER_DRIVER was not followed"
pass
