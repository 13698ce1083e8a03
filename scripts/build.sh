#!/usr/bin/env bash
# Builds the shipped 32-bit program and the 64-bit build of the same sources:
#   dist/x86/install.exe, dist/x64/install.exe
# With --tests the 64-bit build also builds the unit and end-to-end test programs.
set -euo pipefail
cd "$(dirname "$0")/.."
tests=OFF
[[ "${1:-}" == "--tests" ]] && tests=ON
for arch in x86 x64; do
  t=OFF
  [[ $arch == x64 ]] && t=$tests
  cmake -S . -B "build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch.cmake" -DVNV_TESTS="$t" >/dev/null
  ninja -C "build/$arch"
done
