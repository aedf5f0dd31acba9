#!/usr/bin/env bash
# Sets up, builds and starts the Kestrino panel (the program only: no tests,
# no peer tools). Run it as yourself; packages are installed through sudo
# when some are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

# Started with sudo: build and run as the user who asked, so that build/ and
# the settings belong to them and not to root.
if [ "$(id -u)" = 0 ] && [ -n "${SUDO_USER:-}" ] && [ "$SUDO_USER" != root ]; then
  bash scripts/deps.sh
  exec sudo -u "$SUDO_USER" -H env DISPLAY="${DISPLAY:-}" \
    WAYLAND_DISPLAY="${WAYLAND_DISPLAY:-}" XAUTHORITY="${XAUTHORITY:-}" \
    XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-}" bash "$0" "$@"
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  # The commands name the program by its full path, so they work from any
  # folder; the first one builds it when it is not built yet.
  cat >&2 <<TEXT
No display found: Kestrino is a desktop program and shows a window.
Start it from a terminal inside your desktop session, or log in with
X forwarding (ssh -X) and run this again. To try it on a machine without
a screen, start it under a virtual display (Debian package xvfb):
  xvfb-run -a bash "$PWD/scripts/run.sh"
or, once it is built:
  xvfb-run -a "$PWD/build/kestrino"
TEXT
  exit 1
fi

bash scripts/deps.sh
bash scripts/build.sh
exec ./build/kestrino
