#!/usr/bin/env bash
# Installs the Debian packages Kestrino needs to build, run and test.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libarchive-dev libgcab-dev libglib2.0-dev
  libgtest-dev googletest
  fonts-ipafont-gothic
)
if [ "${1:-}" = "--tests" ]; then
  # Peer tools the tests cross-check our back-ends against, and what the
  # window tests need.
  packages+=(lhasa jlha-utils libarchive-tools unzip zip cabextract gcab arj p7zip-full
             xvfb xauth xdotool zstd xz-utils bzip2 imagemagick time)
fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
