#!/usr/bin/env bash
# Makes the deterministic benchmark corpus: make_corpus.sh OUTDIR [SIZE_MB]
# (default 200 MB: a few thousand text files, large texts and binaries).
# The same size always gives the same tree, byte for byte.
set -euo pipefail
out=${1:?usage: make_corpus.sh OUTDIR [SIZE_MB]}
size=${2:-200}
here=$(cd "$(dirname "$0")" && pwd)
tool=$(mktemp -d)/make_corpus
g++ -std=c++20 -O2 -o "$tool" "$here/make_corpus.cpp"
rm -rf "$out"
"$tool" "$out" "$size"
rm -rf "$(dirname "$tool")"
