#!/usr/bin/env bash
# Installs the Debian packages Kestrino needs to build and run; with --tests
# also what the tests need. Quiet and quick when everything is already there.
# Not root: the package step goes through sudo, and only when something is
# missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libarchive-dev libgcab-dev libglib2.0-dev libbz2-dev zlib1g-dev libisal-dev libdeflate-dev
  fonts-ipafont-gothic
  # Qt's own dialogs and buttons in Japanese (qtbase_ja.qm)
  qt6-translations-l10n
)
if [ "${1:-}" = "--tests" ]; then
  # The test frameworks, the peer tools the tests cross-check our back-ends
  # against, and what the window and install tests need.
  packages+=(libgtest-dev googletest
             lhasa jlha-utils libarchive-tools unzip zip cabextract gcab arj p7zip-full
             xvfb xauth xdotool zstd xz-utils bzip2 imagemagick time
             openbox icewm x11-utils desktop-file-utils locales
             python3 bc
             # the self-extractor stubs: built again from source and compared,
             # run as their x86-64 twins under wine64, the DOS one under dosbox
             gcc-mingw-w64-i686-win32 g++-mingw-w64-i686-win32
             gcc-mingw-w64-x86-64-win32 g++-mingw-w64-x86-64-win32
             bcc bin86 elks-libc nasm wine64 dosbox)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
if [ "$(id -u)" != 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "These Debian packages are missing and sudo is not available." >&2
    echo "Install them as root: apt-get install ${missing[*]}" >&2
    exit 1
  fi
  sudo=(sudo)
fi
echo "Installing: ${missing[*]}"
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
