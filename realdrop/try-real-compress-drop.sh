#!/usr/bin/env bash
# Tries a real drag and drop onto the panel's compress zone on a virtual X
# screen: starts the program, drags files and a folder from the drag helper
# onto "圧縮" with xdotool, types a name into the compression dialog, presses
# Enter and lists the archive that appears beside the files. Screenshots of
# the dialog and of the end go to SHOT_PREFIX-dialog.png and -done.png.
#
#   try-real-compress-drop.sh BUILD_DIR [SHOT_PREFIX]
# Run it inside xvfb-run:
#   xvfb-run -a -s "-screen 0 1280x1024x24" realdrop/try-real-compress-drop.sh build
# KS_START, when set, is the command that starts the panel (for example the
# README's "bash scripts/run.sh"); by default a copy of BUILD_DIR/kestrino
# runs from a folder of its own.
set -euo pipefail
. "$(dirname "$0")/xdrag.sh"

build=$(cd "${1:?build folder}" && pwd)
shots=${2:-/tmp/compress}
work=$(mktemp -d /tmp/ks-compress-XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; sleep 0.3; rm -rf "$work"' EXIT

mkdir -p "$work/files/doc/empty"
(cd "$work/files" && seq 1 3000 > "a file.txt" && seq 5 9000 > doc/日本語.txt)

if [ -n "${KS_START:-}" ]; then
  bash -c "$KS_START" >"$work/kestrino.log" 2>&1 &
else
  cp "$build/kestrino" "$work/"
  "$work/kestrino" >"$work/kestrino.log" 2>&1 &
fi
wait_for_panel 300 || { echo "the panel did not show"; cat "$work/kestrino.log"; exit 1; }
# The compress zone is the top-left quadrant of the client area.
targetX=$((X + WIDTH / 4))
targetY=$((Y + HEIGHT / 4))

"$build/realdrop/ks_dragsource" 700 100 "$work/files/a file.txt" "$work/files/doc" \
  >"$work/drag.log" 2>&1 &
sleep 1
drag_by_hand 800 160 "$targetX" "$targetY"
sleep 2

dialog=$(xdotool search --onlyvisible --name "^圧縮$" 2>/dev/null | head -1 || true)
echo "panel at $X,$Y ${WIDTH}x$HEIGHT, dropped at $targetX,$targetY"
echo "compression dialog: ${dialog:-none}"
import -window root "$shots-dialog.png"
[ -n "$dialog" ] || { cat "$work/drag.log" "$work/kestrino.log"; exit 1; }
# The name box has the focus: type the name and press Enter.
xdotool windowactivate --sync "$dialog" 2>/dev/null || true
xdotool type --delay 50 "real drop"
xdotool key Return
sleep 3
import -window root "$shots-done.png"
echo "after Enter: dialog $(xdotool search --onlyvisible --name "^圧縮$" 2>/dev/null | head -1 || echo closed)"
echo "files now:"
ls -la "$work/files"
archive="$work/files/real drop.lzh"
if [ -f "$archive" ]; then
  echo "archive tested by lhasa:"
  lhasa -t "$archive"
  # jlha's "y" reads the names as Shift_JIS, as Windows LHA tools write them.
  (cd "$work" && mkdir out && cd out && LC_ALL=C.UTF-8 jlha xy "$archive" >/dev/null \
    && diff -r "$work/files/doc" doc && cmp "$work/files/a file.txt" "a file.txt" \
    && echo "extracted by jlha: the same files and folders as dropped")
else
  echo "no archive made"; cat "$work/kestrino.log"; exit 1
fi
echo "screenshots: $shots-dialog.png $shots-done.png"
