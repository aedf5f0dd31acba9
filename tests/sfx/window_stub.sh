#!/usr/bin/env bash
# Runs a Windows stub with its window as a user would, on the X display
# xvfb-run gives: waits for the window, presses Enter (展開), waits for the
# message that tells the outcome and presses Enter again. Exits with the
# stub's exit code.
#   xvfb-run -a bash window_stub.sh PROGRAM.exe   (WINEPREFIX, WINELOADER set)
set -u
program=$1
title=$(basename "$program")
openbox >/dev/null 2>&1 &
wm=$!
"$WINELOADER" "$program" &
stub=$!
window=$(timeout 60 xdotool search --sync --name "^$title\$" | head -1)
if [ -n "$window" ]; then
  xdotool windowactivate --sync "$window" key Return
  for _ in $(seq 1 240); do
    box=$(xdotool search --name "^$title\$" | grep -vx "$window" | head -1)
    [ -n "$box" ] && break
    sleep 0.25
  done
  [ -n "$box" ] && xdotool windowactivate --sync "$box" key Return
fi
wait "$stub"
status=$?
kill "$wm" 2>/dev/null
exit $status
