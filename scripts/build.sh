#!/usr/bin/env bash
# Builds the shipped 32-bit program and the 64-bit build of the same sources:
#   dist/x86/install.exe, dist/x64/install.exe
# With --tests the 64-bit build also builds the unit and end-to-end test programs.
# With --e2e the Wine tools of e2e/ (rundll32 stand-in, state report, sample package, ...) are
# built as well, on their own, into build/e2e-tools/bin; the main job's Wine run uses them.
set -euo pipefail
cd "$(dirname "$0")/.."
tests=OFF
e2e=0
for arg in "$@"; do
  case $arg in
    --tests) tests=ON ;;
    --e2e) e2e=1 ;;
    *) echo "usage: scripts/build.sh [--tests] [--e2e]" >&2; exit 2 ;;
  esac
done
for arch in x86 x64; do
  t=OFF
  [[ $arch == x64 ]] && t=$tests
  cmake -S . -B "build/$arch" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="cmake/toolchain-$arch.cmake" -DVNV_TESTS="$t" >/dev/null
  ninja -C "build/$arch"
done
if ((e2e)); then
  # Only the tools and the package: no unit tests, no GoogleTest.
  cmake -S e2e -B build/e2e-tools -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-x64.cmake" >/dev/null
  ninja -C build/e2e-tools e2e_bin e2e_package
fi
