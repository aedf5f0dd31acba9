#!/usr/bin/env bash
# Our back-ends against their peers on one corpus, every row in one run, in
# tmpfs and on disk: extraction (ZIP, CAB, tar.gz, -lh5-, -lh7-, GZA, BZA)
# and creation (ZIP level 6, tar.gz, -lh5-, GZA, BZA). Each time is the best
# of RUNS runs (default 3) of the wall time a user waits; the ratio is ours
# divided by the peer's (below 1.00 we are faster) beside the goal of the
# row. Processor time (user + system, of the fastest run) is printed too:
# on a machine others share, it shows the work done when wall times swing.
# Peak memory is the largest resident size of our runs. Sizes of what
# we make are compared with the peer's, the tar.gz also with one
# single-threaded `gzip -6` of the same tar and checked with `gzip -t`; with
# BASELINE=/path/to/an/older/kestrino-archiver the ZIP and LZH sizes are
# compared with what that build makes.
#
#   cores_bench.sh [SIZE_MB] [BUILD_DIR]
#
# SIZE_MB defaults to 224 (about 5,900 files). PLACES="tmpfs disk" by
# default; tmpfs is /dev/shm, disk is DISK_DIR (default /var/tmp).
set -euo pipefail
size=${1:-224}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build}" && pwd)
runs=${RUNS:-3}
places=${PLACES:-tmpfs disk}
ka=$build/kestrino-archiver
[ -x "$ka" ] || { echo "kestrino-archiver not found in $build (build it first)" >&2; exit 2; }
for t in zip unzip bsdtar gcab cabextract jlha tar gzip bzip2 /usr/bin/time; do
  command -v "$t" >/dev/null || { echo "missing tool: $t (scripts/deps.sh --tests)" >&2; exit 2; }
done
echo "cores: $(nproc); threads: ${KESTRINO_THREADS:-every core}; best of $runs runs; corpus ${size} MB"

Q='"'
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "n/a"; else printf "%.2f", a / b }'; }
# Sizes differ by fractions of a percent: four decimals.
sizeratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b == 0) print "n/a"; else printf "%.4f", a / b }'; }
bytes() { stat -c %s "$1"; }

# best PREP CMD...: "wall cpu kilobytes": the shortest wall time of $runs
# runs with that run's processor time, and the largest peak memory among
# them; PREP (a shell line, run untimed before each run) clears what the
# run makes. Fails when the command does.
best() {
  local prep=$1; shift
  local t="" c="" m=0 s u y k
  for _ in $(seq "$runs"); do
    sh -c "$prep"
    sync
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/err.log" || {
      echo "FAILED: $*" >&2; tail -5 "$work/err.log" >&2; exit 1; }
    read -r s u y k < "$work/time"
    if [ -z "$t" ] || awk -v a="$s" -v b="$t" 'BEGIN { exit !(a < b) }'; then
      t=$s
      c=$(awk -v a="$u" -v b="$y" 'BEGIN { printf "%.2f", a + b }')
    fi
    [ "$k" -gt "$m" ] && m=$k
  done
  echo "$t $c $m"
}

# row LABEL GOAL OURS-PREP PEER-PREP OURS-CMD -- PEER-CMD: times both and
# prints the row.
row() {
  local label=$1 goal=$2 ourprep=$3 peerprep=$4; shift 4
  local ours=() peer=()
  while [ "$1" != -- ]; do ours+=("$1"); shift; done
  shift
  peer=("$@")
  read -r ot oc om < <(best "$ourprep" "${ours[@]}")
  read -r pt pc _ < <(best "$peerprep" "${peer[@]}")
  printf "  %-40s %7.2f %7.2f %6s %6s %8.2f %8.2f %6s %8.1f\n" "$label" "$ot" "$pt" "$(ratio "$ot" "$pt")" \
    "$goal" "$oc" "$pc" "$(ratio "$oc" "$pc")" "$(awk -v k="$om" 'BEGIN { print k / 1024 }')"
}

bench_in() {
  local place=$1 base=$2
  work=$(mktemp -d "$base/ks-cores-XXXXXX")
  trap 'rm -rf "$work"' EXIT
  cd "$work"
  "$here/make_corpus.sh" corpus "$size" | sed 's/^/  /'
  printf '"corpus/*.*"\r\n' > list
  printf 'a -x1 -r2 -o5\r\n"o5.lzh"\r\n"corpus/*.*"\r\n' > lzh5list
  printf 'a -x1 -r2 -o7\r\n"o7.lzh"\r\n"corpus/*.*"\r\n' > lzh7list
  # Archives to extract, made by the peers where a peer makes that kind.
  zip -qr -6 x.zip corpus
  bsdtar -czf x.tgz corpus
  find corpus -type f | sort > files
  head -3000 files > cabfiles
  xargs -d '\n' gcab -c -z x.cab < cabfiles
  "$ka" Unlha32.DLL "\"@$work/lzh5list\"" >/dev/null && mv o5.lzh x5.lzh
  "$ka" Unlha32.DLL "\"@$work/lzh7list\"" >/dev/null && mv o7.lzh x7.lzh
  "$ka" Bga32.DLL "a -a -m1 -r  ${Q}x.gza${Q} ${Q}@list${Q}" >/dev/null
  "$ka" Bga32.DLL "a -a -m2 -r  ${Q}x.bza${Q} ${Q}@list${Q}" >/dev/null
  tar -czf x-gnu.tgz corpus
  tar -cjf x-gnu.tbz corpus

  echo "$place ($work):"
  echo "  load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
  printf "  %-40s %7s %7s %6s %6s %8s %8s %6s %8s\n" "" "ours s" "peer s" "ratio" "goal" "ours cpu" "peer cpu" "ratio" "peak MB"
  local clean='rm -rf out && mkdir out'
  row "extract ZIP vs bsdtar" "0.60" "$clean" "$clean" \
    "$ka" --overwrite=replace UnZip32.DLL "-x -q ${Q}x.zip${Q} ${Q}out/${Q}" -- bsdtar -xf x.zip -C out
  row "extract ZIP vs unzip" "0.35" "$clean" "$clean" \
    "$ka" --overwrite=replace UnZip32.DLL "-x -q ${Q}x.zip${Q} ${Q}out/${Q}" -- unzip -qq -o x.zip -d out
  row "extract CAB (3,000 files) vs cabextract" "0.60" "$clean" "$clean" \
    "$ka" --overwrite=replace Cab32.DLL "-x ${Q}x.cab${Q} ${Q}out/${Q}" -- cabextract -q -d out x.cab
  row "extract tar.gz vs bsdtar" "0.75" "$clean" "$clean" \
    "$ka" --overwrite=replace Tar32.DLL "-xvaf ${Q}x.tgz${Q} ${Q}out/${Q}" -- bsdtar -xf x.tgz -C out
  row "extract -lh5- vs bsdtar" "0.40" "$clean" "$clean" \
    "$ka" --overwrite=replace Unlha32.DLL "x ${Q}x5.lzh${Q} ${Q}out/${Q}" -- bsdtar -xf x5.lzh -C out
  row "extract -lh7- vs bsdtar" "0.40" "$clean" "$clean" \
    "$ka" --overwrite=replace Unlha32.DLL "x ${Q}x7.lzh${Q} ${Q}out/${Q}" -- bsdtar -xf x7.lzh -C out
  row "create ZIP (level 6) vs zip -6" "0.55" "rm -f o.zip" "rm -f p.zip" \
    "$ka" Zip32j.DLL "-r ${Q}o.zip${Q} ${Q}@list${Q}" -- zip -qr -6 p.zip corpus
  row "create tar.gz vs bsdtar -czf" "0.55" "rm -f o.tgz" "rm -f p.tgz" \
    "$ka" Tar32.DLL "-czf ${Q}o.tgz${Q} ${Q}@list${Q}" -- bsdtar -czf p.tgz corpus
  row "create -lh5- vs jlha" "0.25" "rm -f o5.lzh" "rm -f p.lzh" \
    "$ka" Unlha32.DLL "\"@$work/lzh5list\"" -- jlha a p.lzh corpus
  row "create GZA vs tar -czf" "0.55" "rm -f o.gza" "rm -f p.tgz" \
    "$ka" Bga32.DLL "a -a -m1 -r  ${Q}o.gza${Q} ${Q}@list${Q}" -- tar -czf p.tgz corpus
  row "extract GZA vs tar -xzf" "0.55" "$clean" "$clean" \
    "$ka" Bga32.DLL "x -a -r ${Q}x.gza${Q} ${Q}out/${Q}" -- tar -xzf x-gnu.tgz -C out
  row "create BZA vs tar -cjf" "0.55" "rm -f o.bza" "rm -f p.tbz" \
    "$ka" Bga32.DLL "a -a -m2 -r  ${Q}o.bza${Q} ${Q}@list${Q}" -- tar -cjf p.tbz corpus
  row "extract BZA vs tar -xjf" "0.55" "$clean" "$clean" \
    "$ka" Bga32.DLL "x -a -r ${Q}x.bza${Q} ${Q}out/${Q}" -- tar -xjf x-gnu.tbz -C out

  echo "  sizes (ours / other):"
  bsdtar -cf - corpus | gzip -6 > single.tgz
  gzip -t o.tgz && tgzok="one valid gzip stream" || tgzok="NOT A VALID GZIP STREAM"
  printf "    %-40s %12s %12s %8s\n" "ZIP vs zip -6" "$(bytes o.zip)" "$(bytes p.zip)" "$(sizeratio "$(bytes o.zip)" "$(bytes p.zip)")"
  printf "    %-40s %12s %12s %8s  %s\n" "tar.gz vs one gzip -6 of a tar" "$(bytes o.tgz)" "$(bytes single.tgz)" \
    "$(sizeratio "$(bytes o.tgz)" "$(bytes single.tgz)")" "$tgzok"
  printf "    %-40s %12s %12s %8s\n" "-lh5- vs jlha" "$(bytes o5.lzh)" "$(bytes p.lzh)" "$(sizeratio "$(bytes o5.lzh)" "$(bytes p.lzh)")"
  if [ -n "${BASELINE:-}" ]; then
    rm -f o5.lzh b.zip
    "$BASELINE" Zip32j.DLL "-r ${Q}b.zip${Q} ${Q}@list${Q}" >/dev/null
    "$ka" Unlha32.DLL "\"@$work/lzh5list\"" >/dev/null && mv o5.lzh n5.lzh
    "$BASELINE" Unlha32.DLL "\"@$work/lzh5list\"" >/dev/null
    printf "    %-40s %12s %12s %8s\n" "ZIP vs the baseline build" "$(bytes o.zip)" "$(bytes b.zip)" "$(sizeratio "$(bytes o.zip)" "$(bytes b.zip)")"
    printf "    %-40s %12s %12s %8s\n" "-lh5- vs the baseline build" "$(bytes n5.lzh)" "$(bytes o5.lzh)" "$(sizeratio "$(bytes n5.lzh)" "$(bytes o5.lzh)")"
  fi
  cd /
  rm -rf "$work"
  trap - EXIT
}

for place in $places; do
  case $place in
    tmpfs) bench_in tmpfs /dev/shm ;;
    disk) bench_in disk "${DISK_DIR:-/var/tmp}" ;;
    *) echo "unknown place: $place (tmpfs or disk)" >&2; exit 2 ;;
  esac
done
