#!/usr/bin/env bash
# Everything, from a fresh Debian 12 machine (as root): installs the packages, builds both
# programs and every test program, starts a private X display for the tests that drive real
# dialogs under Wine, and runs every test. Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup.sh || exit 1
started=$(date +%s)
bash scripts/build.sh --tests || exit 1
echo "build: $(($(date +%s) - started)) s"

# shellcheck source=wine_env.sh
source scripts/wine_env.sh
export VNV_WINEPREFIX=$root/build/wineprefix
trap 'WINEPREFIX=$VNV_WINEPREFIX wine_env_stop_xvfb' EXIT
wine_env_start_xvfb || exit 1

rc=0
(cd build/x86 && ctest --output-on-failure) || rc=1
(cd build/x64 && ctest --output-on-failure -j2) || rc=1
echo "total: $(($(date +%s) - started)) s"
exit $rc
