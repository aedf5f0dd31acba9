#!/usr/bin/env bash
# Windows over the panel under a real window manager (openbox on Xvfb):
# with "TopMost" on and off, the result window of a check (opened by a real
# drag and drop) and the version window (opened from the right-click menu)
# come up above the panel, with the keyboard focus and wholly on the screen,
# although the panel sits in the screen's bottom-right corner; Enter and Esc
# close them; the panel keeps its native window throughout and is in the
# top-most band exactly when "TopMost" is on; the drop is answered as a copy
# although the source proposed a move.
#
#   RealWindowManager.sh BUILD_DIR [SHOT_FOLDER]
# Starts its own virtual screen (xvfb-run) and openbox. Exit status 0 when
# everything held; screenshots of each open window go to SHOT_FOLDER.
set -euo pipefail
. "$(dirname "$0")/RealWmSupport.sh"
under_virtual_screen "openbox xdotool xprop" "$@"

build=$(cd "${1:?build folder}" && pwd)
shots=${2:-}
[ -n "$shots" ] && mkdir -p "$shots"
work=$(mktemp -d /tmp/ks-wm-XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; sleep 0.3; rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
hex() { printf '0x%x' "$1"; }
# Position of a window in the stacking order, bottom first (-1: not listed).
stack_index() {
  local list want i=0
  list=$(xprop -root -notype _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/,/ /g')
  want=$(hex "$1")
  for w in $list; do
    [ "$((w))" = "$((want))" ] && { echo $i; return; }
    i=$((i + 1))
  done
  echo -1
}
above_state() { xprop -id "$1" _NET_WM_STATE | grep -c _NET_WM_STATE_ABOVE || true; }
# The outer rectangle of a window (with its frame) lies inside the screen.
on_screen() {
  local id=$1 left right top bottom
  eval "$(xdotool getwindowgeometry --shell "$id")"
  read -r left right top bottom < <(xprop -id "$id" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  echo "  window $id: frame from $((X - left)),$((Y - top)) to $((X + WIDTH + right)),$((Y + HEIGHT + bottom))"
  [ $((X - left)) -ge 0 ] && [ $((Y - top)) -ge 0 ] &&
    [ $((X + WIDTH + right)) -le 1024 ] && [ $((Y + HEIGHT + bottom)) -le 768 ]
}
shot() { [ -n "$shots" ] && import -window root "$shots/$1.png" || true; }

start_window_manager openbox "$work/openbox.log"

mkdir "$work/files"
(cd "$work/files" && seq 1 2000 > a.txt && lha a s.lzh a.txt >/dev/null 2>&1 || printf 'x' > s.lzh)

one_run() {
  local topMost=$1 label
  label=$([ "$topMost" = -1 ] && echo on || echo off)
  echo "--- TopMost $label"
  rm -rf "$work/prog" && mkdir "$work/prog"
  cp "$build/kestrino" "$work/prog/"
  # Stored in the bottom-right corner (its outer 4050 x 2805 twips are 270 x
  # 187 pixels): windows centred over it would stick out of the screen.
  printf '[Main]\r\nTopMost=%s\r\nTop=8715\r\nLeft=11310\r\nHeight=2805\r\nWidth=4050\r\nErrRep=-1\r\n' \
    "$topMost" >"$work/prog/Kestrino.ini"
  "$work/prog/kestrino" >"$work/kestrino.log" 2>&1 &
  local prog=$!
  wait_for '[ -n "$(window_named Kestrino)" ]' || { fail "the panel did not show"; cat "$work/kestrino.log"; return; }
  local panel
  panel=$(window_named Kestrino)
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$panel")"
  local px=$X py=$Y pw=$WIDTH ph=$HEIGHT
  echo "  panel $panel at $px,$py ${pw}x$ph"
  [ "$(above_state "$panel")" -eq $([ "$topMost" = -1 ] && echo 1 || echo 0) ] ||
    fail "panel band at start"

  # 1. A real drop on the check zone, proposed as a move (Shift held).
  "$build/realdrop/ks_dragsource" 50 50 "$work/files/s.lzh" "$work/files/a.txt" >"$work/drag.log" 2>&1 &
  local source=$!
  wait_for '[ -n "$(window_named ks_dragsource)" ]' || fail "drag source did not show"
  sleep 0.5
  local tx=$((px + pw / 4)) ty=$((py + ph * 3 / 4))
  xdotool mousemove 100 80 keydown shift mousedown 1
  sleep 0.3
  for i in $(seq 1 20); do
    xdotool mousemove $((100 + (tx - 100) * i / 20)) $((80 + (ty - 80) * i / 20))
    sleep 0.03
  done
  sleep 0.3
  xdotool mouseup 1 keyup shift
  if wait_for '[ -n "$(window_named 検査結果)" ]'; then
    local chk
    chk=$(window_named 検査結果)
    sleep 0.5
    shot "result-topmost-$label"
    [ "$(stack_index "$chk")" -gt "$(stack_index "$panel")" ] || fail "result window below the panel"
    wait_for '[ "$(xdotool getactivewindow)" = "$chk" ]' || fail "result window has no focus"
    on_screen "$chk" || fail "result window sticks out of the screen"
    [ "$(above_state "$panel")" -eq 0 ] || fail "panel still top-most under the result window"
    [ "$(above_state "$chk")" -eq $([ "$topMost" = -1 ] && echo 1 || echo 0) ] ||
      fail "result window band"
    xdotool key Escape
    wait_for '[ -z "$(window_named 検査結果)" ]' || fail "Esc did not close the result window"
  else
    fail "no result window after the drop"
  fi
  grep -q "drop finished: action 1$" "$work/drag.log" || fail "drop not answered as a copy: $(cat "$work/drag.log")"
  kill "$source" 2>/dev/null || true

  # 2. The version window from the right-click menu (its last entry).
  xdotool mousemove $((px + pw / 4)) $((py + ph / 4)) click 3
  sleep 0.5
  xdotool key Up Return
  if wait_for '[ -n "$(window_named Infomation)" ]'; then
    local ver
    ver=$(window_named Infomation)
    sleep 0.5
    shot "version-topmost-$label"
    [ "$(stack_index "$ver")" -gt "$(stack_index "$panel")" ] || fail "version window below the panel"
    wait_for '[ "$(xdotool getactivewindow)" = "$ver" ]' || fail "version window has no focus"
    on_screen "$ver" || fail "version window sticks out of the screen"
    [ "$(above_state "$ver")" -eq 1 ] || fail "version window not top-most"
    xdotool key Return
    wait_for '[ -z "$(window_named Infomation)" ]' || fail "Enter did not close the version window"
  else
    fail "no version window from the menu"
  fi

  # The panel kept its native window and is back in its band.
  [ "$(window_named Kestrino)" = "$panel" ] || fail "the panel's native window was re-created"
  wait_for '[ "$(above_state "$panel")" -eq '"$([ "$topMost" = -1 ] && echo 1 || echo 0)"' ]' ||
    fail "panel band after the windows closed"
  kill "$prog" 2>/dev/null || true
  wait "$prog" 2>/dev/null || true
}

one_run -1
one_run 0
if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "real window manager: every window over the panel in front, focused, on screen"
