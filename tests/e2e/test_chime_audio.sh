# The collision chime: a crowd of bubbles in the full-screen saver rings notes
# that reach the audio output (SDL's disk driver, a file of 32-bit float
# stereo samples) without clipping; with the sound switched off the saver
# never opens the audio output at all.
source "$(dirname "$0")/lib.sh"
e2e_init "$@" 1024x768

SKIP=77
# The last second of sound output: 44100 frames of two 4-byte samples.
SECOND_OF_AUDIO=352800
RING_SECONDS=25

skip() {
    echo "SKIP ($E2E_NAME): $*"
    exit $SKIP
}

have_soundfont() {
    local font
    for font in /usr/share/sounds/sf2/default-GM.sf2 /usr/share/sounds/sf2/TimGM6mb.sf2 \
                /usr/share/sounds/sf2/FluidR3_GM.sf2 /usr/share/soundfonts/default.sf2; do
        [ -r "$font" ] && return 0
    done
    return 1
}

# write_settings SOUNDOPEN: 100 small bubbles, so that they have room to come
# free of each other and then meet often.
write_settings() {
    mkdir -p "$XDG_CONFIG_HOME/tessaly"
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n"BallsCount"=dword:00000064\n"BallSize"=dword:00000004\n"SoundOpen"=dword:%08x\n' \
        "$1" >"$XDG_CONFIG_HOME/tessaly/registry.reg"
}

# peak: the largest magnitude among the float samples on standard input.
peak() {
    od -An -v -t f4 | awk '
        { for (i = 1; i <= NF; i++) { v = $i + 0; if (v < 0) v = -v; if (v > m) m = v } }
        END { printf "%.6f\n", m + 0 }'
}

audible() { awk -v p="$1" 'BEGIN { exit !(p > 0.01) }'; }

recent_sound() {
    [ -s "$SDL_DISKAUDIOFILE" ] && audible "$(tail -c "$SECOND_OF_AUDIO" "$SDL_DISKAUDIOFILE" | peak)"
}

# stop_saver: any key ends the full-screen saver, and the chime's audio
# output is released on the way out.
stop_saver() {
    xdotool key space
    wait_exit "$SAVER_PID" 10 || fail "the saver did not end within 10 s of a key press"
    [ "$EXIT_STATUS" -eq 0 ] || fail "exit status $EXIT_STATUS"
    SAVER_PID=
}

have_soundfont || skip "no General MIDI soundfont installed (scripts/install-deps brings one)"

# Sound off: no audio output is opened, not even a silent one.
write_settings 0
export SDL_DISKAUDIOFILE="$E2E_TMP/quiet.raw"
saver_start /s
saver_ready
expect_running "$SAVER_PID" 2 "the saver ended on its own"
stop_saver
[ ! -e "$SDL_DISKAUDIOFILE" ] || fail "with SoundOpen off the saver opened the audio output"

# Sound on: the synthesizer opens its output at start-up, then collisions ring.
write_settings 1
export SDL_DISKAUDIOFILE="$E2E_TMP/chime.raw"
saver_start /s
saver_ready
wait_for "the synthesizer's audio output" 10 test -e "$SDL_DISKAUDIOFILE"
deadline=$(( $(now_ms) + RING_SECONDS * 1000 ))
shot_taken=
until recent_sound; do
    kill -0 "$SAVER_PID" 2>/dev/null || fail "the saver ended on its own"
    if [ -z "$shot_taken" ]; then
        screenshot "$E2E_TMP/screen.png"
        shot_taken=1
    fi
    [ "$(now_ms)" -lt "$deadline" ] || break
    sleep 0.5
done
stop_saver

level=$(peak <"$SDL_DISKAUDIOFILE")
note "audio output: $(stat -c %s "$SDL_DISKAUDIOFILE") bytes, peak $level"
if ! audible "$level"; then
    # Nothing drawn means no bubbles yet, so nothing to collide.
    [ -n "$shot_taken" ] && [ "$(brightest "$E2E_TMP/screen.png")" -eq 0 ] &&
        skip "the saver draws no scene yet, so no bubbles collide; its audio output opened and stayed silent"
    fail "bubbles moved for ${RING_SECONDS}s without a sound in the audio output"
fi
awk -v p="$level" 'BEGIN { exit !(p < 1.0) }' || fail "the chime clips (peak $level)"
pass
