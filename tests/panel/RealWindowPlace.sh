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
  local x y w h l r t b
  eval "$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left X: */x=/p; s/.*Absolute upper-left Y: */y=/p;
                                     s/^ *Width: */w=/p; s/^ *Height: */h=/p')"
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo "$((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))"
}
stored() { tr -d '\r' <"$work/prog/Kestrino.ini" | sed -n "s/^$1=//p"; }
# The usable part of the screen: "left top width height".
work_area() { xprop -root _NET_WORKAREA | sed 's/.*= //; s/,//g' | cut -d' ' -f1-4; }
# The frame lies wholly inside it.
on_screen() {
  local l t w h al at aw ah
  read -r l t w h <<<"$frame"
  read -r al at aw ah < <(work_area)
  [ "$l" -ge "$al" ] && [ "$t" -ge "$at" ] && [ $((l + w)) -le $((al + aw)) ] && [ $((t + h)) -le $((at + ah)) ]
}

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
echo "--- first start (no settings): at the top-left corner, wholly on the screen"
rm -f "$work/prog/Kestrino.ini"
start_panel || exit 1
on_screen && [ "${frame% * *}" = "$(work_area | cut -d' ' -f1-2)" ] ||
  fail "first start: frame $frame"
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

echo "--- a place with the title bar above the screen"
printf '[Main]\r\nTop=-600\r\nLeft=-45000\r\nTopMost=0\r\n' >"$work/prog/Kestrino.ini"
start_panel && {
  on_screen || fail "a place off the screen stayed off it: frame $frame"
  close_panel
  [ "$(stored Top)" -ge 0 ] && [ "$(stored Left)" -ge 0 ] || fail "closing wrote $(stored Left),$(stored Top)"
}

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "real window manager $wm: the panel opens where it was closed, with its title bar on the screen"
