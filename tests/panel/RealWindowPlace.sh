#!/usr/bin/env bash
# Where the panel opens under a real window manager (Xvfb and the manager
# named): the first start puts the whole window on the screen's usable part;
# a place the user chose survives ten closes and starts without moving by a
# pixel, measured on the frame the manager drew; a stored place with the
# title bar off every screen comes back onto the screen.
#
#   RealWindowPlace.sh BUILD_DIR WINDOW_MANAGER
# WINDOW_MANAGER is a command such as openbox or icewm. Exit status 77 when
# a tool is missing.
set -euo pipefail

wm=${2:?window manager}
. "$(dirname "$0")/RealWmSupport.sh"
under_virtual_screen "$wm xdotool xprop xwininfo" "$@"

build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d /tmp/ks-place-XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; sleep 0.3; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL ($wm): $*"; failures=$((failures + 1)); }
framed() { xprop -id "$1" _NET_FRAME_EXTENTS | grep -q '='; }
# The outer frame of a window as the server has it: "left top width height".
outer_frame() {
  local id=$1 x y w h l r t b
  x=$(xwininfo -id "$id" | sed -n 's/.*Absolute upper-left X: *//p')
  y=$(xwininfo -id "$id" | sed -n 's/.*Absolute upper-left Y: *//p')
  w=$(xwininfo -id "$id" | sed -n 's/.*Width: *//p')
  h=$(xwininfo -id "$id" | sed -n 's/.*Height: *//p')
  read -r l r t b < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
# The usable part of the screen: "left top width height".
work_area() { xprop -root _NET_WORKAREA | sed 's/.*= //; s/,//g' | cut -d' ' -f1-4; }
stored() { tr -d '\r' <"$work/prog/Kestrino.ini" | sed -n "s/^$1=//p"; }

start_window_manager "$wm" "$work/wm.log"
mkdir "$work/prog"
cp "$build/kestrino" "$work/prog/"

# Starts the panel and waits until the manager has framed it and the panel
# has settled; sets prog, panel and frame (its outer frame).
start_panel() {
  "$work/prog/kestrino" >>"$work/kestrino.log" 2>&1 &
  prog=$!
  wait_for '[ -n "$(window_named Kestrino)" ]' || { fail "the panel did not show"; cat "$work/kestrino.log"; return 1; }
  panel=$(window_named Kestrino)
  wait_for "framed $panel" || { fail "the panel was not framed"; return 1; }
  sleep 1.2
  frame=$(outer_frame "$panel")
}
# Closes it with Esc as a user would; closing writes the settings.
close_panel() {
  xdotool windowactivate --sync "$panel" key Escape 2>/dev/null || xdotool key Escape
  wait_for '! kill -0 '"$prog" || { fail "Esc did not close the panel"; kill "$prog"; }
  wait "$prog" 2>/dev/null || true
}
inside_work_area() {
  local l t w h al at aw ah
  read -r l t w h <<<"$1"
  read -r al at aw ah < <(work_area)
  [ "$l" -ge "$al" ] && [ "$t" -ge "$at" ] && [ $((l + w)) -le $((al + aw)) ] && [ $((t + h)) -le $((at + ah)) ]
}

echo "--- first start (no settings)"
rm -f "$work/prog/Kestrino.ini"
start_panel || exit 1
echo "  frame $frame, usable area $(work_area)"
inside_work_area "$frame" || fail "first start not wholly on the screen: frame $frame"
read -r _ top _ _ <<<"$frame"
read -r _ areaTop _ _ < <(work_area)
[ "$top" -eq "$areaTop" ] || fail "first start: title bar not at the top of the screen (frame $frame)"
close_panel

echo "--- ten starts at a place of the user's"
printf '[Main]\r\nTop=3000\r\nLeft=4500\r\nHeight=2805\r\nWidth=4050\r\nTopMost=0\r\n' >"$work/prog/Kestrino.ini"
for i in $(seq 1 10); do
  start_panel || break
  read -r left top width height <<<"$frame"
  [ "$left $top" = "300 200" ] || fail "start $i: frame at $left,$top instead of 300,200"
  [ "$width $height" = "270 187" ] || fail "start $i: frame ${width}x$height instead of 270x187"
  close_panel
  now="$(stored Top) $(stored Left) $(stored Height) $(stored Width)"
  [ "$now" = "3000 4500 2805 4050" ] || { fail "after start $i the stored place is $now"; break; }
done
echo "  stored after the last close: $(stored Top) $(stored Left) $(stored Height) $(stored Width)"

echo "--- a place with the title bar above the screen"
printf '[Main]\r\nTop=-600\r\nLeft=-45000\r\nTopMost=0\r\n' >"$work/prog/Kestrino.ini"
start_panel && {
  echo "  frame $frame"
  inside_work_area "$frame" || fail "a place off the screen stayed off it: frame $frame"
  close_panel
  [ "$(stored Top)" -ge 0 ] && [ "$(stored Left)" -ge 0 ] ||
    fail "closing wrote the place off the screen: Top $(stored Top), Left $(stored Left)"
}

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "real window manager $wm: the panel opens where it was closed, with its title bar on the screen"
