#!/usr/bin/env bash
# The stub binaries committed in sfx/ are exactly what their sources build:
# compares them with the stubs the build made from source (sfx-stubs/ of the
# build folder, made when the cross tools are installed).
#   stubs_reproducible.sh SOURCE_DIR BUILD_DIR
set -u
source=$1
build=$2
missing=()
for pair in i686-w64-mingw32-g++:g++-mingw-w64-i686-win32 x86_64-w64-mingw32-g++:g++-mingw-w64-x86-64-win32 \
            bcc:bcc ld86:bin86 nasm:nasm; do
  command -v "${pair%%:*}" >/dev/null || missing+=("${pair##*:}")
done
[ -f /usr/lib/bcc/libdos.a ] || missing+=(elks-libc)
if [ ${#missing[@]} -gt 0 ]; then
  echo "SKIPPED: the stubs cannot be built here; install the Debian packages ${missing[*]}"
  exit 77
fi
if [ ! -d "$build/sfx-stubs" ]; then
  echo "the stubs were not built from source: configure the build again now that the tools are there"
  exit 1
fi
status=0
for stub in win32/lzhwin.exe win32/lzhmin.exe win32/cabwin.exe win32/bgawin.exe dos/lzhdos.exe; do
  if ! cmp "$source/sfx/$stub" "$build/sfx-stubs/$(basename "$stub")"; then
    echo "sfx/$stub differs from what its sources build: copy $build/sfx-stubs/$(basename "$stub") there"
    status=1
  fi
done
exit $status
