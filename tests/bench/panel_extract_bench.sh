#!/usr/bin/env bash
# Extraction through the panel against the same back-end run from a shell:
# the corpus (thousands of files) packed as ZIP (zip), tar.gz (bsdtar) and
# LZH (jlha) is extracted once by kestrino-archiver and once by a drop on
# the panel's "解凍" (ks_panel_extract: the real panel offscreen, its Qt
# progress window, "Folder" and "DblFolder" on), in one run; the two trees
# are compared. Ratios at most 1.00 mean the window layer costs nothing;
# the progress window should paint at most about 20 times a second.
#
#   panel_extract_bench.sh [SIZE_MB] [BUILD_DIR]
set -euo pipefail
size=${1:-120}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../../build}" && pwd)
ka=$build/kestrino-archiver
pe=$build/tests/ks_panel_extract
for b in "$ka" "$pe"; do
  [ -x "$b" ] || { echo "$b not found (build with tests first)" >&2; exit 2; }
done
for t in zip bsdtar jlha /usr/bin/time; do
  command -v "$t" >/dev/null || { echo "missing tool: $t (scripts/deps.sh --tests)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ks-pbench-XXXXXX")
trap 'rm -rf "$work"' EXIT
"$here/make_corpus.sh" "$work/corpus" "$size"
echo "packing..."
(cd "$work" && zip -qr c.zip corpus)
bsdtar -czf "$work/c.tgz" -C "$work" corpus
(cd "$work" && jlha a c.lzh corpus >/dev/null)

# seconds COMMAND...: wall time of one run.
seconds() { /usr/bin/time -f "%e" "$@" 2>&1 >/dev/null | tail -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "n/a"; else printf "%.2f", a / b }'; }

Q='"'
printf "%-5s %10s %10s %10s %7s  %s\n" type tool panel-run panel-all ratio "progress window"
for spec in "zip UnZip32.DLL -x -q " "tgz Tar32.DLL -xvaf " "lzh Unlha32.DLL x "; do
  read -r ext lib prefix <<<"$spec"
  prefix=${spec#"$ext $lib "}
  rm -rf "$work/tool" "$work/drop" && mkdir -p "$work/tool" "$work/drop/program"
  cp "$work/c.$ext" "$work/drop/"
  sync
  tool=$(seconds "$ka" --overwrite=replace "$lib" "${prefix}${Q}$work/c.$ext${Q} ${Q}$work/tool/${Q}")
  sync
  out=$( { /usr/bin/time -f "all %e" "$pe" "$work/drop/program" "$work/drop/c.$ext"; } 2>&1 || true)
  run=$(sed -n 's/^panel run \([0-9.]*\) s.*/\1/p' <<<"$out")
  all=$(sed -n 's/^all \([0-9.]*\)$/\1/p' <<<"$out")
  paints=$(sed -n 's/.*progress window \(painted .*\)$/\1/p' <<<"$out")
  # The panel collapses the corpus folder into one named after it; the
  # tool's tree is compared with it.
  if ! diff -rq "$work/tool/corpus" "$work/drop/corpus" >/dev/null; then
    echo "  $ext: the panel's tree differs from the tool's"; grep -v "^all" <<<"$out"
  fi
  printf "%-5s %9ss %9ss %9ss %7s  %s\n" "$ext" "$tool" "$run" "$all" "$(ratio "$run" "$tool")" "$paints"
done
echo "files: $(find "$work/corpus" -type f | wc -l) in $(du -sm "$work/corpus" | cut -f1) MB"
