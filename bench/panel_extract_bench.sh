#!/usr/bin/env bash
# Extraction through the panel against the same back-end run from a shell:
# the corpus (thousands of files) packed as ZIP (zip), tar.gz (bsdtar) and
# LZH (jlha) is extracted once by kestrino-archiver and once by a drop on
# the panel's "解凍" (ks_panel_extract: the real panel offscreen, its Qt
# progress window, "Folder" and "DblFolder" on), in one run; the two trees
# are compared. Wall, user and system times are shown; the panel's are of
# the drop alone, without starting the program. On a busy machine the wall
# and system times swing with the others' disk work; the user time is what
# the program itself computes. Ratios (panel / tool) at most 1.00 mean the
# window layer costs nothing; the progress window should paint at most
# about 20 times a second.
#
#   panel_extract_bench.sh [SIZE_MB] [BUILD_DIR]
set -euo pipefail
size=${1:-120}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build}" && pwd)
ka=$build/kestrino-archiver
pe=$build/bench/ks_panel_extract
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

# seconds COMMAND...: "wall user system" seconds of one run.
seconds() { /usr/bin/time -f "%e %U %S" "$@" 2>&1 >/dev/null | tail -1; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "n/a"; else printf "%.2f", a / b }'; }

Q='"'
best() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || (b != "" && b + 0 < a + 0)) print b; else print a }'; }
printf "%-5s %17s %17s %17s  %s\n" "" "wall (tool panel)" "user (tool panel)" \
  "system (tool panel)" "progress window (last run)"
for spec in "zip UnZip32.DLL -x -q " "tgz Tar32.DLL -xvaf " "lzh Unlha32.DLL x "; do
  read -r ext lib prefix <<<"$spec"
  prefix=${spec#"$ext $lib "}
  tw= tu= ts= pw= pu= ps= paints=
  # Three times each, in turns, the best kept: the page cache and the
  # other work on the machine weigh alike on both.
  for round in 1 2 3; do
    rm -rf "$work/tool" "$work/drop" && mkdir -p "$work/tool" "$work/drop/program"
    cp "$work/c.$ext" "$work/drop/"
    sync
    read -r w u s < <(seconds "$ka" --overwrite=replace "$lib" \
      "${prefix}${Q}$work/c.$ext${Q} ${Q}$work/tool/${Q}")
    tw=$(best "$tw" "$w"); tu=$(best "$tu" "$u"); ts=$(best "$ts" "$s")
    sync
    out=$("$pe" "$work/drop/program" "$work/drop/c.$ext" 2>&1 || true)
    line=$(grep '^panel run' <<<"$out" || true)
    pw=$(best "$pw" "$(sed -n 's/^panel run \([0-9.]*\) s.*/\1/p' <<<"$line")")
    pu=$(best "$pu" "$(sed -n 's/.* user \([0-9.]*\) s.*/\1/p' <<<"$line")")
    ps=$(best "$ps" "$(sed -n 's/.* system \([0-9.]*\) s.*/\1/p' <<<"$line")")
    paints=$(sed -n 's/.*progress window \(painted .*\)$/\1/p' <<<"$line")
    # The panel collapses the corpus folder into one named after it; the
    # tool's tree is compared with it.
    if ! diff -rq "$work/tool/corpus" "$work/drop/corpus" >/dev/null; then
      echo "  $ext: the panel's tree differs from the tool's"; echo "$out"
    fi
  done
  printf "%-5s %7.2f %7.2fs  %7.2f %7.2fs  %7.2f %7.2fs  %s\n" "$ext" "$tw" "$pw" "$tu" "$pu" \
    "$ts" "$ps" "$paints"
  echo "      ratios panel / tool: wall $(ratio "$pw" "$tw"), user $(ratio "$pu" "$tu")," \
    "system $(ratio "$ps" "$ts")"
done
echo "files: $(find "$work/corpus" -type f | wc -l) in $(du -sm "$work/corpus" | cut -f1) MB"
