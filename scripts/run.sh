#!/usr/bin/env bash
# The main job, from a fresh Debian 12 machine (as root): installs the packages and builds
# dist/x86/install.exe (shipped) and dist/x64/install.exe.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
ls -l dist/x86/install.exe dist/x64/install.exe
