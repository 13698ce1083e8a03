# shellcheck shell=bash
# Helpers for running our Windows programs under Debian's wine64 + Xvfb.
# Source this file; every function returns non-zero on failure instead of
# exiting, and every wait is bounded so a wedged Wine cannot hang a test run.
#
#   wine_env_start_xvfb            start Xvfb on a free display, export DISPLAY
#   wine_env_stop_xvfb             kill $WINEPREFIX's Wine, stop that Xvfb
#   wine_env_make_prefix DIR       fresh 64-bit prefix in DIR, export WINEPREFIX
#   wine_env_run PROG ARGS...      run PROG under wine64 in $WINEPREFIX
#   wine_env_kill                  kill the wineserver of $WINEPREFIX
#   wine_env_sysdir                print the prefix's system32 as a Unix path
#   wine_env_install_rundll32 EXE  put EXE in place of system32\rundll32.exe
#
# Knobs (environment):
#   WINE_ENV_TIMEOUT   seconds one wine_env_run may take (default 120)
#   WINE_ENV_DEBUG     WINEDEBUG for wine_env_run (default -all)
#   WINEDLLOVERRIDES   passed through by wine_env_run, never used for wineboot
#                      (an override for a program that wineboot runs breaks it)

WINE_ENV_LOADER=${WINE_ENV_LOADER:-/usr/lib/wine/wine64}
WINE_ENV_SERVER=${WINE_ENV_SERVER:-/usr/lib/wine/wineserver64}
WINE_ENV_XVFB_PID=${WINE_ENV_XVFB_PID:-}

wine_env__log() { printf 'wine_env: %s\n' "$*" >&2; }

# True when display number $1 looks taken by someone (socket or lock file).
wine_env__display_taken() {
    [[ -e /tmp/.X11-unix/X$1 || -e /tmp/.X$1-lock ]]
}

wine_env_start_xvfb() {
    local n pid
    if [[ -n "$WINE_ENV_XVFB_PID" ]] && kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null; then
        return 0
    fi
    command -v Xvfb >/dev/null || { wine_env__log "Xvfb not installed"; return 1; }
    for n in $(seq 91 130); do
        wine_env__display_taken "$n" && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        pid=$!
        # The socket is the sign Xvfb accepts clients; Wine faults on the
        # add-port dialog if it starts before that.
        for _ in $(seq 1 100); do
            [[ -S /tmp/.X11-unix/X$n ]] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if [[ -S /tmp/.X11-unix/X$n ]] && kill -0 "$pid" 2>/dev/null; then
            export DISPLAY=":$n"
            WINE_ENV_XVFB_PID=$pid
            return 0
        fi
        # Lost a race for this number, or Xvfb is stuck: try the next one.
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
    wine_env__log "no free X display in :91..:130"
    return 1
}

# Kills the prefix's Wine processes first: they abort noisily when their
# display disappears under them.
wine_env_stop_xvfb() {
    local pid=$WINE_ENV_XVFB_PID
    [[ -n "$pid" ]] || return 0
    wine_env_kill
    kill "$pid" 2>/dev/null
    for _ in $(seq 1 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    WINE_ENV_XVFB_PID=
    unset DISPLAY
    return 0
}

# Refuses to wipe a directory that is neither empty nor a Wine prefix, so a
# wrong argument cannot delete someone's files.
wine_env_make_prefix() {
    local dir=${1:?wine_env_make_prefix DIR}
    if [[ -e "$dir" ]]; then
        if [[ -f "$dir/system.reg" || -z "$(ls -A "$dir" 2>/dev/null)" ]]; then
            WINEPREFIX=$dir wine_env_kill
            rm -rf "$dir" || return 1
        else
            wine_env__log "$dir exists and is not a Wine prefix; not touching it"
            return 1
        fi
    fi
    mkdir -p "$dir" || return 1
    dir=$(cd "$dir" && pwd) || return 1
    export WINEPREFIX=$dir
    # No overrides here except skipping the Mono/Gecko installers, which
    # would otherwise ask through a window and wait for ever.
    if ! env -u WINEDLLOVERRIDES WINEDLLOVERRIDES="mscoree,mshtml=" \
        WINELOADER="$WINE_ENV_LOADER" WINEPREFIX="$dir" WINEDEBUG=-all \
        timeout -k 5 180 "$WINE_ENV_LOADER" wineboot -i >/dev/null 2>&1; then
        wine_env__log "wineboot -i failed or timed out for $dir"
        wine_env_kill
        return 1
    fi
    if ! WINEPREFIX="$dir" timeout -k 5 120 "$WINE_ENV_SERVER" -w; then
        wine_env__log "wineserver did not go idle for $dir"
        wine_env_kill
        return 1
    fi
    # A crash would otherwise open winedbg's dialog on the display and wait
    # for a click; without it the backtrace goes to stderr and the process ends.
    (unset WINEDLLOVERRIDES; wine_env_run reg add 'HKCU\Software\Wine\WineDbg' \
        /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1) || return 1
    WINEPREFIX="$dir" timeout -k 5 60 "$WINE_ENV_SERVER" -w
    [[ -d "$dir/drive_c/windows/system32" ]]
}

# Runs one program; returns its exit code (124 when the time bound hit, in
# which case the prefix's wineserver is killed so no stray process lingers).
wine_env_run() {
    local rc
    [[ -n "${WINEPREFIX:-}" ]] || { wine_env__log "WINEPREFIX not set"; return 1; }
    WINELOADER="$WINE_ENV_LOADER" WINEPREFIX="$WINEPREFIX" \
        WINEDEBUG="${WINE_ENV_DEBUG:--all}" \
        timeout -k 5 "${WINE_ENV_TIMEOUT:-120}" "$WINE_ENV_LOADER" "$@"
    rc=$?
    if [[ $rc -eq 124 || $rc -eq 137 ]]; then
        wine_env__log "timed out: $*"
        wine_env_kill
    fi
    return "$rc"
}

wine_env_kill() {
    [[ -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]] || return 0
    WINEPREFIX="$WINEPREFIX" timeout -k 5 30 "$WINE_ENV_SERVER" -k >/dev/null 2>&1
    return 0
}

wine_env_sysdir() {
    printf '%s\n' "${WINEPREFIX:?}/drive_c/windows/system32"
}

# Wine keeps its own rundll32.exe first unless WINEDLLOVERRIDES has
# rundll32.exe=n for the run; set that only for runs that need our copy.
wine_env_install_rundll32() {
    local exe=${1:?wine_env_install_rundll32 EXE} sys
    sys=$(wine_env_sysdir) || return 1
    [[ -d "$sys" ]] || { wine_env__log "no $sys"; return 1; }
    cp -f "$exe" "$sys/rundll32.exe"
}
