#!/bin/sh
# Packs one mixed corpus with our LZH encoder (-lh5- and -lh7-, through
# kestrino-archiver), with jlha at the same methods and with zip -6, in one
# run, and prints sizes, times and ratios (ours / peer), with the peak memory
# of each run. Targets: our -lh5- archive no larger than jlha's -lh5-, our
# -lh7- no larger than jlha's -lh7-, our -lh5- at least as fast as zip -6,
# and our peak memory under 64 MB whatever the corpus size.
#
# usage: bench/lzh_bench.sh BUILD_DIR [MEGABYTES] [CORPUS_DIR]
# The corpus comes from make_corpus.sh (200 MB unless given); an existing
# CORPUS_DIR is used as it is. For many small files, pass a copy of
# /usr/share/doc without its symbolic links: jlha packs what they point to,
# our encoder stores no links, so with them the archives hold different data.
set -eu
build=${1:?usage: lzh_bench.sh BUILD_DIR [MEGABYTES] [CORPUS_DIR]}
mb=${2:-200}
here=$(cd "$(dirname "$0")" && pwd)
tool=$(cd "$build" && pwd)/kestrino-archiver
[ -x "$tool" ] || { echo "build kestrino-archiver first: $tool" >&2; exit 2; }
for t in lha zip bc /usr/bin/time; do
  command -v "$t" >/dev/null 2>&1 || { echo "missing $t (scripts/deps.sh --tests)" >&2; exit 2; }
done
lha 2>&1 | grep -q jLHA || { echo "lha on the PATH is not jlha (jlha-utils)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
corpus=${3:-$work/corpus}
[ -d "$corpus" ] || bash "$here/make_corpus.sh" "$corpus" "$mb" >/dev/null
# Every tool packs the same relative folder name from the same place.
cd "$(dirname "$corpus")"
base=$(basename "$corpus")

now() { date +%s.%N; }
# run COMMAND...: prints "seconds peak_kb"
run() {
  start=$(now)
  /usr/bin/time -f "%M" -o "$work/mem" "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  end=$(now)
  echo "$(echo "$end - $start" | bc) $(cat "$work/mem")"
}
size() { wc -c < "$1" | tr -d ' '; }
ratio() { echo "scale=3; $1 / $2" | bc; }

echo "corpus: $(du -sb "$base" | cut -f1) bytes in $(find "$base" -type f | wc -l) files"
set -- $(run "$tool" Unlha32.DLL "a -x1 -r2 -o5 \"$work/o5.lzh\" \"$base/*.*\""); o5t=$1 o5m=$2
set -- $(run "$tool" Unlha32.DLL "a -x1 -r2 -o7 \"$work/o7.lzh\" \"$base/*.*\""); o7t=$1 o7m=$2
set -- $(run lha ao5q "$work/j5.lzh" "$base"); j5t=$1
set -- $(run lha ao7q "$work/j7.lzh" "$base"); j7t=$1
set -- $(run zip -6 -q -r "$work/z6.zip" "$base"); z6t=$1

o5s=$(size "$work/o5.lzh") o7s=$(size "$work/o7.lzh")
j5s=$(size "$work/j5.lzh") j7s=$(size "$work/j7.lzh") z6s=$(size "$work/z6.zip")
printf '%-12s %12s %9s %10s\n' run bytes seconds peak_kb
printf '%-12s %12s %9s %10s\n' "ours -lh5-" "$o5s" "$o5t" "$o5m"
printf '%-12s %12s %9s %10s\n' "ours -lh7-" "$o7s" "$o7t" "$o7m"
printf '%-12s %12s %9s\n' "jlha -lh5-" "$j5s" "$j5t"
printf '%-12s %12s %9s\n' "jlha -lh7-" "$j7s" "$j7t"
printf '%-12s %12s %9s\n' "zip -6" "$z6s" "$z6t"
echo "size  -lh5- ours/jlha x$(ratio "$o5s" "$j5s")   -lh7- ours/jlha x$(ratio "$o7s" "$j7s")"
echo "time  ours -lh5- / zip -6 x$(ratio "$o5t" "$z6t")   ours -lh7- / jlha -lh7- x$(ratio "$o7t" "$j7t")"
# Check our archives with a reader we did not write.
lhasa -t "$work/o5.lzh" >/dev/null && lhasa -t "$work/o7.lzh" >/dev/null && echo "lhasa -t: both archives OK"
