#!/usr/bin/env bash
# Sets up, builds and starts the Kestrino panel.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found; starting the panel under xvfb-run."
  bash scripts/deps.sh --tests
  exec xvfb-run -a ./build/kestrino
fi
exec ./build/kestrino
