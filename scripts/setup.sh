#!/usr/bin/env bash
# Installs every Debian package the build and the tests need (as root). Quick when all are there.
set -euo pipefail
packages=(
  cmake ninja-build python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest
  wine64 xvfb xauth coreutils util-linux procps
)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # wine64 alone: nothing i386 is needed (this kernel cannot run 32-bit code anyway).
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
