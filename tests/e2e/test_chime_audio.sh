#!/usr/bin/env bash
# test_chime_audio.sh BINARY: a crowd of bubbles colliding rings the chime.
# The saver runs full screen under its own Xvfb with SDL's disk audio driver,
# whose output file must carry sound that does not clip. A second run with
# the sound switched off must not open the audio output at all.
set -euo pipefail
binary=$(realpath "$1")
skip=77

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

have_soundfont() {
  local sf
  for sf in /usr/share/sounds/sf2/default-GM.sf2 /usr/share/sounds/sf2/TimGM6mb.sf2 \
            /usr/share/sounds/sf2/FluidR3_GM.sf2 /usr/share/soundfonts/default.sf2; do
    [ -r "$sf" ] && return 0
  done
  return 1
}

# write_settings DIR SOUNDOPEN: a hive with 100 small bubbles, so that they
# have room to come free of each other and then meet often.
write_settings() {
  mkdir -p "$1/tessaly"
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\software\\Tessaly]\n"BallsCount"=dword:00000064\n"BallSize"=dword:00000004\n"SoundOpen"=dword:%08x\n' \
    "$2" > "$1/tessaly/registry.reg"
}

# peak FILE: the largest magnitude of the 32-bit float samples in FILE.
peak() {
  od -An -v -t f4 "$1" | awk '
    { for (i = 1; i <= NF; i++) { v = $i + 0; if (v < 0) v = -v; if (v > m) m = v } }
    END { printf "%.6f\n", m + 0 }'
}

# run_saver NAME SOUNDOPEN SECONDS: runs the saver until its audio file holds
# sound or SECONDS have passed, then ends it with a key press.
run_saver() {
  local name=$1 soundOpen=$2 seconds=$3
  local dir="$work/$name"
  mkdir -p "$dir/config" "$dir/state"
  write_settings "$dir/config" "$soundOpen"
  XDG_CONFIG_HOME="$dir/config" XDG_STATE_HOME="$dir/state" \
  SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$dir/audio.raw" \
  timeout 90 xvfb-run -a -s "-screen 0 1280x720x24 -nolisten tcp" bash -c '
    set -u
    binary=$1; dir=$2; seconds=$3
    "$binary" /s 2>"$dir/stderr.txt" & pid=$!
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      if xdotool search --class WindowsScreenSaverClass >/dev/null 2>&1; then
        touch "$dir/window"; break
      fi
      sleep 0.1
    done
    deadline=$((SECONDS + seconds))
    shot=0
    while [ $SECONDS -lt $deadline ] && kill -0 "$pid" 2>/dev/null; do
      sleep 0.5
      [ $shot -eq 0 ] && [ $SECONDS -ge 2 ] && import -window root "$dir/screen.png" && shot=1
      # The last second of output (44100 stereo frames of two floats).
      if [ -s "$dir/audio.raw" ] && tail -c 352800 "$dir/audio.raw" | od -An -v -t f4 |
          awk "{ for (i = 1; i <= NF; i++) if (\$i + 0 > 0.01 || \$i + 0 < -0.01) found = 1 } END { exit !found }"; then
        break
      fi
    done
    [ $shot -eq 1 ] || import -window root "$dir/screen.png"
    xdotool key space 2>/dev/null || kill -TERM "$pid"
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then
      echo "the saver did not end within 10 s of a key press" >&2
      kill -KILL "$pid"; exit 1
    fi
    wait "$pid"
  ' _ "$binary" "$dir" "$seconds"
}

if ! have_soundfont; then
  echo "SKIP: no General MIDI soundfont installed (scripts/install-deps brings one)"
  exit $skip
fi

run_saver quiet 0 3
if [ -e "$work/quiet/audio.raw" ]; then
  echo "FAIL: with SoundOpen off the saver opened the audio output" >&2
  exit 1
fi

run_saver chime 1 25
audio="$work/chime/audio.raw"
if [ ! -e "$work/chime/window" ]; then
  echo "SKIP: the saver shows no window yet, so no bubble can collide"
  exit $skip
fi
if [ ! -e "$audio" ]; then
  echo "FAIL: with SoundOpen on the saver never opened the synthesizer's audio output" >&2
  cat "$work/chime/stderr.txt" >&2
  exit 1
fi
level=$(peak "$audio")
echo "audio: $(stat -c %s "$audio") bytes, peak $level"
if awk -v p="$level" 'BEGIN { exit !(p <= 0.01) }'; then
  if [ "$(convert "$work/chime/screen.png" -format %k info:)" -le 1 ]; then
    echo "SKIP: the saver draws no bubbles yet, so nothing collides; the audio output opened but stayed silent"
    exit $skip
  fi
  echo "FAIL: bubbles collided for 25 s without a sound in the audio output" >&2
  exit 1
fi
if awk -v p="$level" 'BEGIN { exit !(p >= 1.0) }'; then
  echo "FAIL: the chime clips (peak $level)" >&2
  exit 1
fi
echo "PASS: the chime sounds, peak $level"
