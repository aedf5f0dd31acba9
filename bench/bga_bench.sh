#!/usr/bin/env bash
# GZA and BZA benchmark: making and extracting archives with our Bga32
# back-end (through kestrino-archiver) against GNU tar with gzip and with
# bzip2, on the same corpus (make_corpus.sh), in one run. Prints times, sizes
# and the ratios ours / tar's: at most 1.10 is the target for both. Wall
# time is what a user waits; processor time (user + system, of every
# process) shows the work done, and is steadier on a busy machine. Our
# creation compresses on several threads, tar -z/-j in one gzip/bzip2
# process beside tar.
#
# Then many small entries: 4,000 files of a few kilobytes in 40 folders,
# packed by our own back-ends as GZA and as LZH and extracted into a folder
# in memory (/dev/shm when there is one), so the disk's moods do not decide.
# The time per entry of GZA against LZH's: at most 1.10 is the target.
#
#   bga_bench.sh [SIZE_MB] [BUILD_DIR]
#
# Each measurement is the best of RUNS runs (default 3; RUNS=1 for a quick
# look), so a busy machine disturbs the ratios less.
set -euo pipefail
size=${1:-100}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build}" && pwd)
runs=${RUNS:-3}
ka=$build/kestrino-archiver
[ -x "$ka" ] || { echo "kestrino-archiver not found in $build (build it first)" >&2; exit 2; }
for t in tar gzip bzip2 /usr/bin/time; do
  command -v "$t" >/dev/null || { echo "missing tool: $t (scripts/deps.sh --tests)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ks-bga-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "corpus: ${size} MB in $work"
"$here/make_corpus.sh" "$work/corpus" "$size"
# The list file as the program writes it: every top-level name, folders
# with everything under them.
(cd "$work/corpus" && for n in *; do
  if [ -d "$n" ]; then printf '"%s/*.*"\r\n' "$n"; else printf '"%s"\r\n' "$n"; fi
done) > "$work/list"

# best CMD...: "wall cpu" of the run with the shortest wall time of $runs
# runs, in seconds; fails when the command does. Each run starts with an
# empty output folder, $OUT (default $work/out).
best() {
  local b="" t out=${OUT:-$work/out}
  for _ in $(seq "$runs"); do
    rm -rf "$out" && mkdir -p "$out"
    sync
    /usr/bin/time -f "%e %U %S" -o "$work/time" "$@" >/dev/null 2>"$work/err.log" || {
      echo "FAILED: $*" >&2; cat "$work/err.log" >&2; exit 1; }
    t=$(awk '{ printf "%s %.2f", $1, $2 + $3 }' "$work/time")
    b=$(awk -v a="$t" -v b="$b" 'BEGIN { split(a, x, " "); split(b, y, " ");
                                        print (b == "" || x[1] < y[1]) ? a : b }')
  done
  echo "$b"
}
bytes() { stat -c %s "$1"; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "n/a"; else printf "%.2f", a / b }'; }

Q='"'
declare -A secs
# The program's creating command line, run from the corpus folder as the
# program's current directory; the archive of the previous run is removed
# first (the back-end never replaces one). Arguments: folder, tool,
# archive, switch, list file.
make_ours='rm -f "$3" && cd "$1" && exec "$2" Bga32.DLL "a -a $4 -r  \"$3\" \"@$5\""'
echo "making (best of $runs):"
secs[gza-make]=$(best sh -c "$make_ours" _ "$work/corpus" "$ka" "$work/c.gza" -m1 "$work/list")
secs[tgz-make]=$(best tar -czf "$work/c.tgz" -C "$work/corpus" .)
secs[bza-make]=$(best sh -c "$make_ours" _ "$work/corpus" "$ka" "$work/c.bza" -m2 "$work/list")
secs[tbz-make]=$(best tar -cjf "$work/c.tbz" -C "$work/corpus" .)
echo "extracting (best of $runs):"
secs[gza-x]=$(best "$ka" Bga32.DLL "x -a -r ${Q}$work/c.gza${Q} ${Q}$work/out/${Q}")
diff -r "$work/corpus" "$work/out" >/dev/null || { echo "GZA extraction differs from the corpus" >&2; exit 1; }
secs[tgz-x]=$(best tar -xzf "$work/c.tgz" -C "$work/out")
secs[bza-x]=$(best "$ka" Bga32.DLL "x -a -r ${Q}$work/c.bza${Q} ${Q}$work/out/${Q}")
diff -r "$work/corpus" "$work/out" >/dev/null || { echo "BZA extraction differs from the corpus" >&2; exit 1; }
secs[tbz-x]=$(best tar -xjf "$work/c.tbz" -C "$work/out")

# Many small entries: the same files as GZA and as LZH, extracted into memory.
small=$work/small
for d in $(seq -w 0 39); do mkdir -p "$small/d/$d"; done
awk -v root="$small/d" 'BEGIN {
  split("archive folder extract the of data file name kestrino window", w, " ");
  srand(7);
  for (i = 0; i < 4000; i++) {
    f = sprintf("%s/%02d/f%04d.txt", root, i % 40, i);
    n = 40 + int(rand() * 500);
    for (k = 0; k < n; k++) printf "%s ", w[1 + int(rand() * 10)] > f;
    close(f);
  } }'
printf '"d/*.*"\r\n' > "$work/small.list"
(cd "$small" && "$ka" Bga32.DLL "a -a -m1 -r ${Q}$work/s.gza${Q} ${Q}@$work/small.list${Q}" >/dev/null &&
  "$ka" Unlha32.DLL "a -x1 -r2 -o5 ${Q}$work/s.lzh${Q} ${Q}d/*.*${Q}" >/dev/null) ||
  { echo "FAILED: packing the small files" >&2; exit 1; }
shm=$( [ -d /dev/shm ] && [ -w /dev/shm ] && mktemp -d /dev/shm/ks-bga-small-XXXXXX || mktemp -d "$work/shm-XXXXXX")
trap 'rm -rf "$work" "$shm"' EXIT
secs[small-gza]=$(OUT=$shm/out best "$ka" Bga32.DLL "x -a -r ${Q}$work/s.gza${Q} ${Q}$shm/out/${Q}")
diff -r "$small/d" "$shm/out/d" >/dev/null || { echo "GZA small files differ" >&2; exit 1; }
secs[small-lzh]=$(OUT=$shm/out best "$ka" Unlha32.DLL "x ${Q}$work/s.lzh${Q} ${Q}$shm/out/${Q}")
diff -r "$small/d" "$shm/out/d" >/dev/null || { echo "LZH small files differ" >&2; exit 1; }

printf "\n%-32s %10s %10s %7s\n" "" "ours" "tar" "ratio"
row() { printf "%-32s %10s %10s %7s\n" "$1" "$2" "$3" "$(ratio "$2" "$3")"; }
times() {  # label key-ours key-tar
  set -- "$1" ${secs[$2]} ${secs[$3]}
  row "$1 wall (s)" "$2" "$4"
  row "$1 cpu (s)" "$3" "$5"
}
times "GZA make vs tar -czf" gza-make tgz-make
times "GZA extract vs tar -xzf" gza-x tgz-x
row "GZA size (bytes)" "$(bytes "$work/c.gza")" "$(bytes "$work/c.tgz")"
times "BZA make vs tar -cjf" bza-make tbz-make
times "BZA extract vs tar -xjf" bza-x tbz-x
row "BZA size (bytes)" "$(bytes "$work/c.bza")" "$(bytes "$work/c.tbz")"
printf "\n%-32s %10s %10s %7s\n" "4,000 small entries" "GZA" "LZH" "ratio"
per_entry() { awk -v s="$1" 'BEGIN { printf "%.3f", s * 1000 / 4000 }'; }
set -- ${secs[small-gza]} ${secs[small-lzh]}
row "extract wall (ms per entry)" "$(per_entry "$1")" "$(per_entry "$3")"
row "extract cpu (ms per entry)" "$(per_entry "$2")" "$(per_entry "$4")"
