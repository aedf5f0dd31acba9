# What the tests of the panel under a real window manager share; sourced by
# them, never run alone.

# under_virtual_screen "TOOL..." ARGS...: in the test's first run, exits with
# 77 (skipped) when a tool is missing, else runs the test again on a virtual
# screen of its own with ARGS; in that second run it returns at once.
under_virtual_screen() {
  local tools=$1
  shift
  [ -n "${KS_REAL_WM_INNER:-}" ] && return 0
  for tool in xvfb-run $tools; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIP: $tool is missing (scripts/deps.sh --tests installs it)"
      exit 77
    fi
  done
  export KS_REAL_WM_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
}

# Polls a command for up to ten seconds.
wait_for() {
  for _ in $(seq 100); do
    if eval "$1" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  return 1
}

window_named() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }

# start_window_manager COMMAND LOG: starts it and waits until it manages
# the screen; exits the test when it does not.
start_window_manager() {
  "$1" >"$2" 2>&1 &
  wait_for 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || { echo "$1 did not start"; exit 1; }
}
