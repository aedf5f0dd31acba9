#!/usr/bin/env bash
# Extraction benchmark: our back-ends (through kestrino-archiver) against
# unzip, bsdtar and lhasa on the same archives, in one run.
#
#   extract_bench.sh [SIZE_MB] [BUILD_DIR]
#
# Packs the corpus (make_corpus.sh) as ZIP (zip), tar.gz (bsdtar) and LZH
# (jlha), extracts each with every tool, times the full ZIP test against
# `unzip -t`, and records peak memory with /usr/bin/time. Ratios below 1.00
# mean we are faster (or smaller). Peak memory is also measured on an
# archive a tenth the size: streaming extraction keeps it the same.
set -euo pipefail
size=${1:-200}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build}" && pwd)
ka=$build/kestrino-archiver
[ -x "$ka" ] || { echo "kestrino-archiver not found in $build (build it first)" >&2; exit 2; }
for t in zip unzip bsdtar jlha lhasa /usr/bin/time; do
  command -v "$t" >/dev/null || { echo "missing tool: $t (scripts/deps.sh --tests)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ks-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "corpus: ${size} MB in $work"
"$here/make_corpus.sh" "$work/corpus" "$size"
small=$(( size / 10 > 0 ? size / 10 : 1 ))
"$here/make_corpus.sh" "$work/small" "$small" >/dev/null

echo "packing..."
(cd "$work/corpus" && zip -qr "$work/c.zip" .)
(cd "$work/small" && zip -qr "$work/s.zip" .)
bsdtar -czf "$work/c.tgz" -C "$work/corpus" .
(cd "$work/corpus" && jlha a "$work/c.lzh" d* >/dev/null)
ls -l "$work"/c.zip "$work"/c.tgz "$work"/c.lzh | awk '{print "  " $5 "\t" $9}'

# measure NAME COMMAND...: runs once, prints "seconds peakKB", keeps output
# folders apart, removes them afterwards.
measure() {
  local out=$work/out
  rm -rf "$out" && mkdir -p "$out"
  sync
  local stats
  stats=$(cd "$out" && { /usr/bin/time -f "%e %M %x" "$@" 2>&1 >/dev/null || true; } | tail -1)
  rm -rf "$out"
  echo "$stats"
}

declare -A secs mem
run() {  # key command...
  local key=$1; shift
  read -r s m status < <(measure "$@")
  [ "$status" = 0 ] || echo "  WARNING: $key exited with status $status"
  secs[$key]=$s; mem[$key]=$m
  printf "  %-22s %7.2f s  %8d KB\n" "$key" "$s" "$m"
}

Q='"'
echo "extracting (each once, warm cache after packing):"
run ours-zip   "$ka" --overwrite=replace UnZip32.DLL "-x -q ${Q}$work/c.zip${Q} ${Q}$work/out/${Q}"
run unzip-zip  unzip -qq -o "$work/c.zip" -d "$work/out"
run bsdtar-zip bsdtar -xf "$work/c.zip" -C "$work/out"
run ours-tgz   "$ka" --overwrite=replace Tar32.DLL "-xvaf ${Q}$work/c.tgz${Q} ${Q}$work/out/${Q}"
run bsdtar-tgz bsdtar -xf "$work/c.tgz" -C "$work/out"
run ours-lzh   "$ka" --overwrite=replace Unlha32.DLL "x ${Q}$work/c.lzh${Q} ${Q}$work/out/${Q}"
run lhasa-lzh  lhasa xq "$work/c.lzh"
run bsdtar-lzh bsdtar -xf "$work/c.lzh" -C "$work/out"
echo "testing:"
run ours-ztest  "$ka" --check UnZip32.DLL "$work/c.zip" 2
run unzip-ztest unzip -tqq "$work/c.zip"
run ours-small-zip "$ka" --overwrite=replace UnZip32.DLL "-x -q ${Q}$work/s.zip${Q} ${Q}$work/out/${Q}"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "n/a"; else printf "%.2f", a / b }'; }
echo
echo "time ratios (ours / theirs; at most 1.00 is the target):"
echo "  ZIP extract  vs unzip   $(ratio "${secs[ours-zip]}" "${secs[unzip-zip]}")"
echo "  ZIP extract  vs bsdtar  $(ratio "${secs[ours-zip]}" "${secs[bsdtar-zip]}")"
echo "  TGZ extract  vs bsdtar  $(ratio "${secs[ours-tgz]}" "${secs[bsdtar-tgz]}")"
echo "  LZH extract  vs bsdtar  $(ratio "${secs[ours-lzh]}" "${secs[bsdtar-lzh]}")"
echo "  LZH extract  vs lhasa   $(ratio "${secs[ours-lzh]}" "${secs[lhasa-lzh]}")"
echo "  ZIP test     vs unzip -t $(ratio "${secs[ours-ztest]}" "${secs[unzip-ztest]}")"
echo "peak memory:"
echo "  ours ZIP: ${mem[ours-zip]} KB on ${size} MB, ${mem[ours-small-zip]} KB on ${small} MB" \
     "(ratio $(ratio "${mem[ours-zip]}" "${mem[ours-small-zip]}"))"
echo "  ours TGZ ${mem[ours-tgz]} KB, LZH ${mem[ours-lzh]} KB; unzip ${mem[unzip-zip]} KB, bsdtar tgz ${mem[bsdtar-tgz]} KB"
