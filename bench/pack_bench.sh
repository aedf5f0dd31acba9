#!/bin/sh
# Compares the creating back-ends with the peer tools on the same data, in
# one run: Zip32j against zip -r, Cab32 against gcab -c -z, Jack32's split
# against split(1). Prints times and sizes and their ratios (ours / peer);
# absolute numbers depend on the machine, the ratios are what to watch.
# Also reports the peak memory of each of our runs, which must stay small
# whatever the input size (files are streamed, never held whole).
#
# usage: bench/pack_bench.sh BUILD_DIR [MEGABYTES]
set -eu
build=${1:?usage: pack_bench.sh BUILD_DIR [MEGABYTES]}
mb=${2:-64}
tool="$build/kestrino-archiver"
[ -x "$tool" ] || { echo "build kestrino-archiver first: $tool" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
cd "$work"

# Half compressible text, half random bytes, spread over a small tree.
mkdir -p data/text data/bin data/empty
i=0
while [ "$i" -lt 8 ]; do
  seq 1 $((mb * 4096 / 8)) | sed 's/^/line of sample text number /' > "data/text/t$i.txt"
  head -c $((mb * 1024 * 1024 / 16)) /dev/urandom > "data/bin/b$i.bin"
  i=$((i + 1))
done
printf '"data/*.*"\r\n' > list.tmp

now() { date +%s.%N; }
# run LABEL COMMAND...: prints the seconds taken and keeps the peak memory
run() {
  label=$1; shift
  start=$(now)
  if command -v /usr/bin/time >/dev/null 2>&1; then
    /usr/bin/time -f "%M" -o "$work/mem" "$@" >/dev/null 2>&1
    mem=$(cat "$work/mem")
  else
    "$@" >/dev/null 2>&1
    mem="?"
  fi
  end=$(now)
  secs=$(echo "$end - $start" | bc)
  echo "$label $secs $mem"
}
size() { wc -c < "$1" | tr -d ' '; }
ratio() { echo "scale=2; $1 / $2" | bc; }

report() {
  name=$1 ours=$2 peer=$3 oursize=$4 peersize=$5
  set -- $ours; ot=$2; om=$3
  set -- $peer; pt=$2
  printf '%-6s time %6ss vs %6ss (x%s)  size %s vs %s (x%s)  our peak %s KB\n' \
    "$name" "$ot" "$pt" "$(ratio "$ot" "$pt")" "$oursize" "$peersize" \
    "$(ratio "$oursize" "$peersize")" "$om"
}

ours=$(run zip "$tool" Zip32j.DLL "-r \"$work/ours.zip\" \"@$work/list.tmp\"")
peer=$(run zip zip -q -r peer.zip data)
report Zip "$ours" "$peer" "$(size ours.zip)" "$(size peer.zip)"

ours=$(run cab "$tool" Cab32.DLL "-a \"$work/ours.cab\" \"@$work/list.tmp\"")
peer=$(run cab sh -c "gcab -c -z peer.cab data/text/* data/bin/*")
report Cab "$ours" "$peer" "$(size ours.cab)" "$(size peer.cab)"

tar cf whole.tar data
mkdir ours peer
ours=$(run jack "$tool" Jack32.DLL "-r -m1 -v:1423 \"$work/whole.tar\" \"$work/ours/\"")
peer=$(run jack split -b 1457152 whole.tar peer/whole.tar.)
report Jack "$ours" "$peer" "$(cat ours/whole.tar.[0-9]* | wc -c | tr -d ' ')" \
  "$(cat peer/* | wc -c | tr -d ' ')"
