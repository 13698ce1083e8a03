#!/usr/bin/env bash
# Lays the VnVPrint printer package out in DEST_DIR the way the installer
# expects it beside itself: vnvprint.inf, the driver files it names
# (vnvdrv.dll, vnvui.dll, vnvprint.dat) and VnVProcessor.dll.
#   e2e/stage_package.sh BIN_DIR DEST_DIR
# BIN_DIR holds the built DLLs (the e2e build's bin/ folder).
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
bin=${1:?BIN_DIR}
dest=${2:?DEST_DIR}

mkdir -p "$dest" || exit 1
for f in vnvprint.inf vnvprint.dat; do
    cp -f "$here/package/$f" "$dest/" || exit 1
done
for f in vnvdrv.dll vnvui.dll VnVProcessor.dll; do
    [[ -f "$bin/$f" ]] || { echo "stage_package: $bin/$f not built" >&2; exit 1; }
    cp -f "$bin/$f" "$dest/" || exit 1
done
