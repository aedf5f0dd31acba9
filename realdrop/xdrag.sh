# Shell functions for the real drag-and-drop tries on a virtual X screen,
# sourced by the try-*.sh tools. Need xdotool.

# wait_for_panel TRIES [PID]: waits up to TRIES × 0.2 s (or, with PID, as
# long as that process lives) for the panel, moves it to 100,100 and sets
# `panel` and its geometry X, Y, WIDTH, HEIGHT. Fails when it never shows.
wait_for_panel() {
  local tries=$1 pid=${2:-}
  panel=
  while :; do
    panel=$(xdotool search --onlyvisible --name "^Kestrino$" 2>/dev/null | head -1 || true)
    [ -n "$panel" ] && break
    if [ -n "$pid" ]; then
      kill -0 "$pid" 2>/dev/null || break
    else
      tries=$((tries - 1))
      [ "$tries" -gt 0 ] || break
    fi
    sleep 0.2
  done
  [ -n "$panel" ] || return 1
  xdotool windowmove "$panel" 100 100
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$panel")"
}

# drag_by_hand FROM_X FROM_Y TO_X TO_Y: presses at FROM, moves to TO in
# steps, as a hand does (the drag protocol follows pointer motion), and
# releases there.
drag_by_hand() {
  local fromX=$1 fromY=$2 toX=$3 toY=$4 i
  xdotool mousemove "$fromX" "$fromY" mousedown 1
  sleep 0.3
  for i in $(seq 1 20); do
    xdotool mousemove $((fromX + (toX - fromX) * i / 20)) $((fromY + (toY - fromY) * i / 20))
    sleep 0.05
  done
  sleep 0.3
  xdotool mouseup 1
}
