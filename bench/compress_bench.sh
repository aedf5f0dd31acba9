#!/bin/sh
# Compressing through the panel against kestrino-archiver running the same
# command on the same list file, for every format our back-ends make, on one
# corpus of thousands of files, in one run. The panel side is the real
# program started off screen (ks_compress_bench): drop on "圧縮", format,
# name, 圧縮開始. Each side runs twice; for the run of each side that used
# less processor time it prints the wall and processor seconds (the panel's
# include starting the program), the ratio of processor time panel / tool
# (target: 1.0 or less, within noise) and both archive sizes, which should
# match. Processor time is the cost compared: on a shared machine wall time
# swings with whatever else runs.
#
# usage: bench/compress_bench.sh BUILD_DIR [MEGABYTES] [CORPUS_DIR]
set -eu
build=$(cd "${1:?usage: compress_bench.sh BUILD_DIR [MEGABYTES] [CORPUS_DIR]}" && pwd)
mb=${2:-100}
here=$(cd "$(dirname "$0")" && pwd)
tool_bin="$build/kestrino-archiver"
driver="$build/bench/ks_compress_bench"
for f in "$tool_bin" "$driver"; do
  [ -x "$f" ] || { echo "build it first: $f" >&2; exit 2; }
done
for t in bc /usr/bin/time; do
  command -v "$t" >/dev/null 2>&1 || { echo "missing $t (scripts/deps.sh --tests)" >&2; exit 2; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
corpus=${3:-$work/corpus}
[ -d "$corpus" ] || bash "$here/make_corpus.sh" "$corpus" "$mb" >/dev/null
corpus=$(cd "$corpus" && pwd)
parent=$(dirname "$corpus")
base=$(basename "$corpus")
files=$(find "$corpus" -type f | wc -l | tr -d ' ')
echo "corpus: $files files, $(du -sm "$corpus" | cut -f1) MB"
mkdir "$work/app"
cd "$parent"

# "wall cpu" seconds of the run with less processor time, of two runs of a
# command (its output goes to $work/out). Processor time (user + system) is
# the cost compared: wall time swings with whatever else the machine does.
best() {
  b=""
  for _ in 1 2; do
    rm -f "$archive"
    /usr/bin/time -f "%e %U %S" -o "$work/t" "$@" >"$work/out" 2>&1 || { cat "$work/out" >&2; exit 1; }
    read -r wall user sys < "$work/t"
    cpu=$(echo "$user + $sys" | bc)
    if [ -z "$b" ] || [ "$(echo "$cpu < ${b#* }" | bc)" = 1 ]; then b="$wall $cpu"; fi
  done
  echo "$b"
}

crlf() { printf '%s\r\n' "$@"; }

printf '%-10s %15s %15s %7s  %s\n' format "panel wall/cpu" "tool wall/cpu" "cpu x" "sizes (panel, tool)"
while IFS='|' read -r entry library ext switch; do
  list="$work/list.tmp"
  archive="$parent/tool$ext"
  if [ "$library" = Unlha32.DLL ]; then
    crlf "a -x1 -r2" "\"$archive\"" "\"$base/*.*\"" > "$list"
    command="\"@$list\""
  else
    crlf "\"$base/*.*\"" > "$list"
    command="$switch \"$archive\" \"@$list\""
  fi
  tool=$(best "$tool_bin" "$library" "$command")
  tool_size=$(wc -c < "$archive" | tr -d ' ')
  rm -f "$archive"

  archive="$parent/panel$ext"
  panel=$(best "$driver" "$work/app" "$entry" panel "$corpus")
  panel_size=$(wc -c < "$archive" | tr -d ' ')
  rm -f "$archive"
  printf '%-10s %15s %15s %7s  %s %s\n' "$entry" "$(echo "$panel" | tr ' ' /)" \
    "$(echo "$tool" | tr ' ' /)" "$(echo "scale=3; ${panel#* } / ${tool#* }" | bc)" \
    "$panel_size" "$tool_size"
done <<'ROWS'
Lha|Unlha32.DLL|.lzh|
Zip|Zip32j.DLL|.zip|-r
Tar|Tar32.DLL|.tar|-cvf
Tar(gzip)|Tar32.DLL|.tgz|-czf
Tar(bzip2)|Tar32.DLL|.bz2|-cBf
Cab|Cab32.DLL|.cab|-a
GZA|Bga32.DLL|.gza|a -a -m1 -r 
BZA|Bga32.DLL|.bza|a -a -m2 -r 
ROWS
