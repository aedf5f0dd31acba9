#!/usr/bin/env bash
# Builds the self-extractor stubs from their sources, the same bytes on
# every machine with Debian's cross compilers:
#   sfx/build.sh OUT          the i686 Windows stubs and the DOS stub into OUT
#   sfx/build.sh OUT --twins  also OUT/x64/: the Windows stubs built a second
#                             time for x86-64, to run them under wine64 where
#                             32-bit code cannot run
# The program embeds the copies committed beside the sources
# (sfx/win32/*.exe, sfx/dos/lzhdos.exe); to change a stub, change its
# source, run `sfx/build.sh /tmp/stubs` and copy the results there. A test
# builds them again and compares.
# Needs gcc-mingw-w64-i686-win32 and g++-mingw-w64-i686-win32 (with --twins
# also the x86-64 pair), and bcc, bin86, elks-libc and nasm for the DOS stub.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
out=$(mkdir -p "${1:?usage: sfx/build.sh OUT [--twins]}" && cd "$1" && pwd)
twins=${2:-}
launcher=()
if command -v ccache >/dev/null; then launcher=(ccache); fi

codec=$root/src/archivers/builtin/codec
common=(core/Extractor core/SafeName core/RangeInput win32/Runtime win32/Main win32/Messages
        win32/ProgramFile win32/WinFiles)
lzh=(win32/LzhFormat core/LzhArchive codec/BitReader codec/DecodeStream codec/DecodeWindow
     codec/HuffmanDecoder codec/StaticHuffmanDecoder codec/LzhCrc16)
cab=(win32/CabFormat core/CabArchive core/Inflate)
bga=(win32/BgaFormat core/BgaArchive core/Inflate core/Bunzip2 codec/BitReader codec/DecodeStream)

# No C or C++ runtime: our own entry point and Runtime.cpp, only system DLLs.
compile_flags=(-std=c++20 -Os -fno-exceptions -fno-rtti -fno-threadsafe-statics
               -fno-asynchronous-unwind-tables -fno-ident -ffunction-sections -Wall -Wextra
               -I"$root/src" -I"$root")
link_flags=(-s -static -nostdlib -mwindows -Wl,--gc-sections -Wl,--no-insert-timestamp)
libs=(-lkernel32 -luser32 -lgdi32 -lcomctl32 -lshell32 -lole32 -lgcc)

# The mark by which a drop of an LHA self-extractor is taken for LZH: bytes
# 33 to 41, in the DOS header's reserved words, which no loader reads.
mark() { printf "LHA's SFX" | dd of="$1" bs=1 seek=33 conv=notrunc status=none; }

source_of() {
  case $1 in
    codec/*) echo "$codec/${1#codec/}.cpp" ;;
    *) echo "$here/$1.cpp" ;;
  esac
}

build_windows() {  # compiler, folder
  local cxx=$1 dir=$2 objects=$2/objects unit
  mkdir -p "$objects"
  for unit in "${common[@]}" "${lzh[@]}" "${cab[@]}" "${bga[@]}" win32/WindowUi win32/MinimalUi; do
    [ -f "$objects/${unit##*/}.o" ] && continue
    "${launcher[@]}" "$cxx" "${compile_flags[@]}" -c "$(source_of "$unit")" -o "$objects/${unit##*/}.o"
  done
  link() {  # program, units...
    local program=$1 list=() u
    shift
    for u in "$@"; do list+=("$objects/${u##*/}.o"); done
    "$cxx" "${link_flags[@]}" -o "$dir/$program" "${list[@]}" "${libs[@]}"
  }
  link lzhwin.exe "${common[@]}" "${lzh[@]}" win32/WindowUi
  link lzhmin.exe "${common[@]}" "${lzh[@]}" win32/MinimalUi
  link cabwin.exe "${common[@]}" "${cab[@]}" win32/WindowUi
  link bgawin.exe "${common[@]}" "${bga[@]}" win32/WindowUi
  mark "$dir/lzhwin.exe"
  mark "$dir/lzhmin.exe"
  rm -rf "$objects"
}

# The DOS stub: bcc makes a tiny-model program (its C has no "const"), the
# MZ header goes around it.
build_dos() {
  local work status=0
  work=$(mktemp -d)
  (cd "$work" &&
   bcc -Md -ansi -O -Dconst= -I"$here/dos" -o lzhsfx.com "$here"/dos/lzhsfx.c "$here"/dos/lzhdec.c \
       "$here"/dos/dosname.c &&
   nasm -f bin -DCOM='"lzhsfx.com"' -DCOM_SIZE="$(stat -c %s lzhsfx.com)" -o "$out/lzhdos.exe" \
        "$here"/dos/mzhead.asm) || status=$?
  rm -rf "$work"
  return $status
}

build_windows i686-w64-mingw32-g++ "$out"
build_dos
if [ "$twins" = --twins ]; then build_windows x86_64-w64-mingw32-g++ "$out/x64"; fi
