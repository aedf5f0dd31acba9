#!/usr/bin/env bash
# Tries real drags and drops onto the panel's extract zone "解凍" on a
# virtual X screen, with the program started by the README's run command
# (bash scripts/run.sh) in a copy of the source tree.
#
#   try-real-extract-drop.sh DRAG_SOURCE [SHOT_FOLDER]
#
# DRAG_SOURCE is the ks_dragsource helper of a test build. Starts its own
# virtual screen. A stand-in xdg-open on the PATH logs every folder the
# program asks the desktop to open instead of opening it, so the log shows
# exactly what would have opened. Prints what each drop left on the disk,
# the folders asked to open and the windows on the screen; screenshots go to
# SHOT_FOLDER (default /tmp/ks-extract-drop).
set -euo pipefail

if [ -z "${KS_TRY_DROP_INNER:-}" ]; then
  for tool in xvfb-run xdotool import lha zip; do
    command -v "$tool" >/dev/null || { echo "missing: $tool (scripts/deps.sh --tests)"; exit 2; }
  done
  export KS_TRY_DROP_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

. "$(dirname "$0")/xdrag.sh"
drag=$(readlink -f "${1:?the ks_dragsource helper}")
shots=${2:-/tmp/ks-extract-drop}
mkdir -p "$shots"
here=$(cd "$(dirname "$0")/.." && pwd)
# The copy of the tree is kept beside it (its build is reused by the next
# try, and the compiler cache finds its files); everything else is temporary.
tree=$here/.try-drop
work=$(mktemp -d /tmp/ks-try-drop-XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null || true; sleep 0.3; rm -rf "$work"' EXIT

echo "copying the source tree to $tree and starting: bash scripts/run.sh"
mkdir -p "$tree"
(cd "$here" && git ls-files -z | xargs -0 cp --parents -u -t "$tree" 2>/dev/null)
mkdir -p "$work/bin" "$work/home" "$work/files"
cat >"$work/bin/xdg-open" <<TEXT
#!/bin/sh
echo "\$@" >>"$work/opened.log"
TEXT
chmod +x "$work/bin/xdg-open"
(cd "$work/files" && seq 1 5000 >a.txt && mkdir -p s && seq 1 300 >s/b.txt \
  && lha a s.lzh s >/dev/null && zip -q z.zip a.txt && cp z.zip bad.zip \
  && printf '\x55\x55\x55\x55' | dd of=bad.zip bs=1 seek=120 conv=notrunc 2>/dev/null \
  && rm -r s)

(cd "$tree" && PATH="$work/bin:$PATH" HOME="$work/home" XDG_CURRENT_DESKTOP= \
  bash scripts/run.sh >"$work/run.log" 2>&1) &
runner=$!
# The build may take many minutes; wait as long as the run command lives.
wait_for_panel 0 "$runner" || { echo "the panel did not show"; tail -20 "$work/run.log"; exit 1; }
# The extract zone is the top-right quadrant of the client area.
targetX=$((X + WIDTH * 3 / 4))
targetY=$((Y + HEIGHT / 4))
echo "panel at $X,$Y ${WIDTH}x$HEIGHT; dropping at $targetX,$targetY"

# drop NAME FILE...: drags the files from a helper window onto "解凍".
drop() {
  local name=$1; shift
  "$drag" 700 500 "$@" >"$work/drag.log" 2>&1 &
  local helper=$!
  sleep 1
  drag_by_hand 800 560 "$targetX" "$targetY"
  sleep 3
  kill "$helper" 2>/dev/null || true
  echo "--- $name"
  (cd "$work/files" && find . -mindepth 1 | sort | sed 's/^/  on disk: /')
  sed 's/^/  opened: /' "$work/opened.log" 2>/dev/null || echo "  opened: nothing"
  : >"$work/opened.log"
  xdotool search --onlyvisible --name . 2>/dev/null | while read -r w; do
    echo "  window: $(xdotool getwindowname "$w")"
  done
  import -window root "$shots/$name.png"
}

drop "one-lzh" "$work/files/s.lzh"
drop "zip-and-damaged-zip" "$work/files/z.zip" "$work/files/bad.zip"
result=$(xdotool search --onlyvisible --name "^解凍結果$" 2>/dev/null | head -1 || true)
echo "result window: ${result:-none}"
if [ -n "$result" ]; then
  xdotool key Escape
  sleep 1
  echo "after Esc: $(xdotool search --onlyvisible --name "^解凍結果$" 2>/dev/null | head -1 || echo closed)"
fi
echo "screenshots in $shots"
