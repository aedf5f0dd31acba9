#!/usr/bin/env bash
# The install tree in a temporary prefix: the program, a valid menu entry
# with its icon, and the help page the version window opens.
# Usage: install_tree.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null

[ -x "$prefix/bin/kestrino" ] || fail "no program in bin/"
desktop="$prefix/share/applications/kestrino.desktop"
if [ ! -f "$desktop" ]; then
  fail "no menu entry in share/applications/"
else
  if command -v desktop-file-validate >/dev/null; then
    if ! out=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$out" ]; then
      fail "desktop-file-validate: $out"
    fi
  else
    fail "desktop-file-validate is missing (Debian package desktop-file-utils)"
  fi
  grep -qx 'Exec=kestrino' "$desktop" || fail "menu entry does not start kestrino"
  grep -qx 'Categories=Utility;Archiving;Compression;' "$desktop" || fail "categories"
  grep -q '^Comment=' "$desktop" || fail "no English comment"
  grep -q '^Comment\[ja\]=' "$desktop" || fail "no Japanese comment"
  icon=$(sed -n 's/^Icon=//p' "$desktop")
  found=$(find "$prefix/share/icons/hicolor" -name "$icon.svg" -o -name "$icon.png" | head -1)
  [ -n "$found" ] || fail "icon $icon not in share/icons/hicolor"
  if [ -n "$found" ] && [[ $found == *.svg ]] && command -v xmllint >/dev/null; then
    xmllint --noout "$found" || fail "icon is no well-formed SVG"
  fi
fi

help="$prefix/share/kestrino/help/index.html"
if [ ! -f "$help" ]; then
  fail "no help page in share/kestrino/help/"
else
  for text in 圧縮 解凍 検査 TopMost Folder Desktop Kestrino.ini .config/kestrino; do
    grep -q -- "$text" "$help" || fail "help page does not mention $text"
  done
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed; installed:"
  (cd "$prefix" && find . -type f)
  exit 1
fi
echo "install tree: program, menu entry, icon and help page"
