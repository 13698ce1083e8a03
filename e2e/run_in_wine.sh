#!/usr/bin/env bash
# Runs one of our Windows programs under wine64 in the given prefix, making
# the prefix first when it is missing. No display is needed or started.
#   e2e/run_in_wine.sh PREFIX_DIR PROGRAM.exe [ARGS...]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../scripts/wine_env.sh
source "$here/../scripts/wine_env.sh"

prefix=${1:?prefix dir}
shift
if [[ -f "$prefix/system.reg" ]]; then
    export WINEPREFIX
    WINEPREFIX=$(cd "$prefix" && pwd)
else
    wine_env_make_prefix "$prefix" || exit 1
fi
wine_env_run "$@"
rc=$?
wine_env_kill
exit "$rc"
