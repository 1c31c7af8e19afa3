#!/usr/bin/env bash
# test_settings_dialog.sh BINARY: started without arguments the program shows
# the settings dialog as its only window; "取消" ends it without touching the
# hive, "保存" writes the shown settings and ends it.
set -euo pipefail
binary=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/run
mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
hive=$XDG_CONFIG_HOME/tessaly/registry.reg

# A private X server on a display number it picks itself, as lib.sh starts it.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 1 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "FAIL: Xvfb picked no display" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$work/display")"

bash -c '
  set -eu
  binary=$1; hive=$2; work=$3
  fail() { echo "FAIL: $*" >&2; exit 1; }

  # Starts the dialog, waits for its window and clicks the button at the
  # given point of the form, then waits for the process to end.
  run_and_click() {
    "$binary" & pid=$!
    window=""
    for _ in $(seq 1 200); do
      window=$(xdotool search --name "参数设置Ver3.0" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
      sleep 0.1
    done
    [ -n "$window" ] || { kill "$pid"; fail "no settings window"; }
    rm -f "$work/before.reg"
    [ ! -e "$hive" ] || cp "$hive" "$work/before.reg"
    xdotool mousemove --window "$window" "$1" "$2" click 1
    for _ in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then kill "$pid"; fail "the dialog did not close"; fi
    wait "$pid" || fail "exit code $?"
  }

  run_and_click 333 380          # 取消
  if [ -e "$work/before.reg" ]; then
    cmp -s "$work/before.reg" "$hive" || fail "cancel changed the hive"
  else
    [ ! -e "$hive" ] || fail "cancel wrote a hive"
  fi
  run_and_click 229 380          # 保存
  grep -q "\"BallsCount\"=dword:0000000a" "$hive" || fail "save wrote no bubble count"
  grep -q "\"BackInterval\"=dword:0000000a" "$hive" || fail "save wrote no interval"
  echo "settings dialog: cancel kept the hive, save wrote it"
' _ "$binary" "$hive" "$work"
