#!/usr/bin/env bash
# ARJ benchmark: our UnArj32j back-end (through kestrino-archiver) against
# Debian's arj on the same archives, in one run.
#
#   arj_bench.sh [SIZE_MB] [BUILD_DIR] [RUNS]
#
# Packs the corpus (make_corpus.sh) with `arj a -m1` (the default method,
# static Huffman) and `arj a -m4` (fastest), extracts each with ours and
# with `arj x`, tests each with our full check and `arj t`, and records peak
# memory with /usr/bin/time. Each command runs RUNS times (default 3) and
# the best time counts. Ratios below 1.00 mean we are faster. Peak memory
# is also measured on an archive a tenth the size: streaming keeps it flat.
set -euo pipefail
size=${1:-200}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build}" && pwd)
runs=${3:-3}
ka=$build/kestrino-archiver
[ -x "$ka" ] || { echo "kestrino-archiver not found in $build (build it first)" >&2; exit 2; }
for t in arj /usr/bin/time; do
  command -v "$t" >/dev/null || { echo "missing tool: $t (scripts/deps.sh --tests)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/ks-arjbench-XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "corpus: ${size} MB in $work"
"$here/make_corpus.sh" "$work/corpus" "$size"
small=$(( size / 10 > 0 ? size / 10 : 1 ))
"$here/make_corpus.sh" "$work/small" "$small" >/dev/null

echo "packing..."
for m in 1 4; do
  (cd "$work/corpus" && arj a -r -y -m$m "$work/c$m.arj" '*' >/dev/null)
done
(cd "$work/small" && arj a -r -y -m1 "$work/s1.arj" '*' >/dev/null)
ls -l "$work"/c1.arj "$work"/c4.arj | awk '{print "  " $5 "\t" $9}'

# measure COMMAND...: runs in an empty folder; prints "seconds peakKB status".
measure() {
  local out=$work/out
  rm -rf "$out" && mkdir -p "$out"
  sync
  local stats
  stats=$(cd "$out" && { /usr/bin/time -f "%e %M %x" "$@" 2>&1 >/dev/null </dev/null || true; } | tail -1)
  rm -rf "$out"
  echo "$stats"
}

declare -A secs mem
run() {  # key command...
  local key=$1; shift
  local best="" peak=0 s m status
  for ((i = 0; i < runs; i++)); do
    read -r s m status < <(measure "$@")
    [ "$status" = 0 ] || echo "  WARNING: $key exited with status $status"
    if [ -z "$best" ] || awk -v a="$s" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$s; fi
    (( m > peak )) && peak=$m
  done
  secs[$key]=$best; mem[$key]=$peak
  printf "  %-16s %7.2f s  %8d KB\n" "$key" "$best" "$peak"
}

Q='"'
echo "extracting to disk (best of $runs):"
for m in 1 4; do
  run ours-x-m$m "$ka" --overwrite=replace UnArj32j.DLL "x -hk -jyc ${Q}$work/c$m.arj${Q} ${Q}$work/out/${Q}"
  run arj-x-m$m arj x -y "$work/c$m.arj"
done
echo "testing (best of $runs):"
for m in 1 4; do
  run ours-t-m$m "$ka" --check UnArj32j.DLL "$work/c$m.arj" 2
  run arj-t-m$m arj t -y "$work/c$m.arj"
done
run ours-x-small "$ka" --overwrite=replace UnArj32j.DLL "x -hk -jyc ${Q}$work/s1.arj${Q} ${Q}$work/out/${Q}"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "n/a"; else printf "%.2f", a / b }'; }
echo
echo "time ratios (ours / arj; at most 1.00 is the target):"
for m in 1 4; do
  echo "  -m$m extract  $(ratio "${secs[ours-x-m$m]}" "${secs[arj-x-m$m]}")"
  echo "  -m$m test     $(ratio "${secs[ours-t-m$m]}" "${secs[arj-t-m$m]}")"
done
echo "peak memory:"
echo "  ours -m1 extract: ${mem[ours-x-m1]} KB on ${size} MB, ${mem[ours-x-small]} KB on ${small} MB" \
     "(ratio $(ratio "${mem[ours-x-m1]}" "${mem[ours-x-small]}")); arj x: ${mem[arj-x-m1]} KB"
