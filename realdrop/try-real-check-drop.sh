#!/usr/bin/env bash
# Tries a real drag and drop onto the panel's check zone on a virtual X
# screen: starts the program and the drag helper, drags with xdotool from
# the helper onto "検査", and takes a screenshot of the whole screen.
#
#   try-real-check-drop.sh BUILD_DIR [SCREENSHOT]
# Run it inside xvfb-run:
#   xvfb-run -a -s "-screen 0 1280x1024x24" realdrop/try-real-check-drop.sh build-check
set -euo pipefail
. "$(dirname "$0")/xdrag.sh"

build=$(cd "${1:?build folder}" && pwd)
shot=${2:-/tmp/check.png}
work=$(mktemp -d /tmp/ks-drop-XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; sleep 0.3; rm -rf "$work"' EXIT

# The program keeps its settings beside itself: give it a folder of its own.
cp "$build/kestrino" "$work/"
mkdir "$work/files"
(cd "$work/files" && seq 1 2000 > a.txt && lha a s.lzh a.txt >/dev/null && zip -q s.zip a.txt \
  && cp s.zip bad.zip && printf '\x55' | dd of=bad.zip bs=1 seek=200 conv=notrunc 2>/dev/null \
  && mkdir sub)

"$work/kestrino" >"$work/kestrino.log" 2>&1 &
wait_for_panel 50 || { echo "the panel did not show"; cat "$work/kestrino.log"; exit 1; }
# The check zone is the bottom-left quadrant of the client area.
targetX=$((X + WIDTH / 4))
targetY=$((Y + HEIGHT * 3 / 4))

"$build/realdrop/ks_dragsource" 700 100 "$work/files/s.lzh" "$work/files/s.zip" \
  "$work/files/bad.zip" "$work/files/a.txt" "$work/files/sub" >"$work/drag.log" 2>&1 &
sleep 1

drag_to_check_zone() {
  drag_by_hand 800 160 "$targetX" "$targetY"
  sleep 2
}
result_window() { xdotool search --onlyvisible --name "^検査結果$" 2>/dev/null | head -1 || true; }

drag_to_check_zone
import -window root "$shot"
echo "panel at $X,$Y ${WIDTH}x$HEIGHT, dropped at $targetX,$targetY"
result=$(result_window)
echo "result window: ${result:-none}"
if [ -n "$result" ]; then
  # Esc closes it; the panel is enabled again, so a second drop is taken.
  xdotool key Escape  # goes to the active window: the result window
  sleep 1
  echo "after Esc: $(result_window | grep . || echo closed)"
  drag_to_check_zone
  echo "after a second drop: $(result_window | grep . || echo none)"
fi
cat "$work/drag.log"
echo "screenshot: $shot"
