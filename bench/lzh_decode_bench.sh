#!/usr/bin/env bash
# LZH decoding benchmark: our Unlha32 reader (through kestrino-archiver)
# against libarchive (bsdtar) and lhasa on the same -lh5- and -lh7-
# archives, to /dev/null (a full test: every entry decoded and checked) and
# to disk, in one run.
#
#   lzh_decode_bench.sh [SIZE_MB] [BUILD_DIR] [CORPUS_DIR]
#
# The archives are packed from the corpus of make_corpus.sh (200 MB and
# some thousands of files unless given; an existing CORPUS_DIR is used as it
# is) by our encoder, which every reader here opens. Each run is timed
# RUNS times (default 3) and the fastest kept; the machine may be shared,
# so CPU seconds (user + system) are shown beside the wall clock. Targets:
# our decoding at least 1.5 times as fast as libarchive's and twice as fast
# as lhasa's, and our peak memory under 64 MB whatever the archive size
# (also measured on an archive a tenth the size).
set -euo pipefail
size=${1:-200}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build}" && pwd)
ka=$build/kestrino-archiver
runs=${RUNS:-3}
[ -x "$ka" ] || { echo "kestrino-archiver not found in $build (build it first)" >&2; exit 2; }
for t in bsdtar lhasa /usr/bin/time; do
  command -v "$t" >/dev/null || { echo "missing tool: $t (scripts/deps.sh --tests)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ks-lzhdec-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
corpus=${3:-$work/corpus}
[ -d "$corpus" ] || "$here/make_corpus.sh" "$corpus" "$size" >/dev/null
small=$work/small
"$here/make_corpus.sh" "$small" $(( size / 10 > 0 ? size / 10 : 1 )) >/dev/null
echo "corpus: $(du -sb "$corpus" | cut -f1) bytes in $(find "$corpus" -type f | wc -l) files"

Q='"'
pack() {  # method archive folder
  (cd "$(dirname "$3")" &&
   "$ka" Unlha32.DLL "a -x1 -r2 -$1 ${Q}$2${Q} ${Q}$(basename "$3")/*.*${Q}" >/dev/null)
}
echo "packing with our encoder..."
pack o5 "$work/c5.lzh" "$corpus"
pack o7 "$work/c7.lzh" "$corpus"
pack o7 "$work/s7.lzh" "$small"
ls -l "$work"/c5.lzh "$work"/c7.lzh "$work"/s7.lzh | awk '{print "  " $5 "\t" $9}'

# best KEY COMMAND...: runs the command RUNS times in a fresh output folder
# (its current directory) and keeps the fastest: wall seconds, CPU seconds,
# peak KB.
declare -A wall cpu mem
best() {
  local key=$1; shift
  local bw= bc= bm=
  for ((i = 0; i < runs; i++)); do
    rm -rf "$work/out" && mkdir -p "$work/out"
    # Flush what earlier runs wrote, so no run pays for another's writeback.
    sync
    local stats
    stats=$(cd "$work/out" && { /usr/bin/time -f "%e %U %S %M %x" "$@" 2>&1 >/dev/null || true; } | tail -1)
    local w u s pk x c
    read -r w u s pk x <<<"$stats"
    [ "$x" = 0 ] || { echo "  $key failed (status $x)" >&2; exit 1; }
    c=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f", u + s }')
    if [ -z "$bw" ] || awk -v a="$w" -v b="$bw" 'BEGIN { exit !(a < b) }'; then bw=$w; fi
    if [ -z "$bc" ] || awk -v a="$c" -v b="$bc" 'BEGIN { exit !(a < b) }'; then bc=$c; fi
    if [ -z "$bm" ] || [ "$pk" -gt "$bm" ]; then bm=$pk; fi
  done
  rm -rf "$work/out"
  wall[$key]=$bw; cpu[$key]=$bc; mem[$key]=$bm
  printf "  %-20s %7.2f s wall %7.2f s cpu %8d KB\n" "$key" "$bw" "$bc" "$bm"
}

for m in 5 7; do
  a=$work/c$m.lzh
  echo "-lh$m- to /dev/null (decode and check every entry):"
  best "ours-null-$m"   "$ka" --check Unlha32.DLL "$a" 2
  best "bsdtar-null-$m" bsdtar -xOf "$a"
  best "lhasa-null-$m"  lhasa t "$a"
  echo "-lh$m- to disk:"
  best "ours-disk-$m"   "$ka" --overwrite=replace Unlha32.DLL "x ${Q}$a${Q} ${Q}$work/out/${Q}"
  best "bsdtar-disk-$m" bsdtar -xf "$a"
  best "lhasa-disk-$m"  lhasa xq "$a"
done
echo "peak memory on an archive a tenth the size:"
best "ours-small" "$ka" --overwrite=replace Unlha32.DLL "x ${Q}$work/s7.lzh${Q} ${Q}$work/out/${Q}"

speedup() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo
echo "speed-ups (theirs / ours; targets: libarchive 1.50, lhasa 2.00), wall and cpu:"
for m in 5 7; do
  for where in null disk; do
    printf "  -lh%s- %-5s vs libarchive %5s %5s   vs lhasa %5s %5s\n" "$m" "$where" \
      "$(speedup "${wall[bsdtar-$where-$m]}" "${wall[ours-$where-$m]}")" \
      "$(speedup "${cpu[bsdtar-$where-$m]}" "${cpu[ours-$where-$m]}")" \
      "$(speedup "${wall[lhasa-$where-$m]}" "${wall[ours-$where-$m]}")" \
      "$(speedup "${cpu[lhasa-$where-$m]}" "${cpu[ours-$where-$m]}")"
  done
done
echo "our peak memory: $(( mem[ours-disk-7] / 1024 )) MB on the full archive," \
     "$(( mem[ours-small] / 1024 )) MB on the small one (target under 64 MB)"
