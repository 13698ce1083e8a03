# shellcheck shell=bash
# Shared frame of the end-to-end tests: install.exe against Wine's real
# spooler, service manager and "Local Port" dialog, under wine64 + Xvfb.
#
#   source lib.sh; e2e_init BIN_DIR INSTALL_EXE PREFIX_DIR
#
# e2e_init skips (exit 77, reason printed) when the platform cannot run the
# test, makes a fresh prefix, puts the rundll32 stand-in in its system
# directory and lays the package out beside a copy of install.exe in
# C:\Program Files\Velnor 图像 安装\ (blanks and non-ASCII on purpose).
#
# Every installer run goes through e2e_run_installer, which checks what
# must hold for any run:
#   - it ends within E2E_RUN_BOUND seconds (a generous hang bound, not a
#     performance goal) and exits with code 0;
#   - no process it started is left (run_watch's job object), and the whole
#     prefix goes quiet within E2E_IDLE_BOUND seconds (`wineserver -w`
#     returns only once no Wine process of the prefix is left);
#   - it shows no window of its own: run_watch samples every top-level
#     window of the installer and its children every 2 ms; the only visible
#     one allowed is the "Local Port" monitor's own add-port dialog
#     (#32770), exactly as often as the caller expects (1 when the port is
#     missing, else 0), and the installer must close it itself while it
#     still runs. Hidden windows Wine makes for a GUI thread (the IME's)
#     show nothing and are not counted.
set -u
e2e_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../../scripts/wine_env.sh
source "$e2e_here/../../scripts/wine_env.sh"

E2E_RUN_BOUND=${E2E_RUN_BOUND:-120}
E2E_IDLE_BOUND=${E2E_IDLE_BOUND:-30}
PRINTER='Velnor图像虚拟打印机'
PORT='Velnor Local Port'
SYS='C:\windows\system32'
# shellcheck disable=SC1003 # a Windows path ending in a backslash
PKG='C:\Program Files\Velnor 图像 安装\'
e2e_passed=0
e2e_failed=0

pass() { e2e_passed=$((e2e_passed + 1)); echo "ok - $1"; }
fail() { e2e_failed=$((e2e_failed + 1)); echo "FAIL - $1"; }
expect_eq() { # NAME EXPECTED GOT
    if [[ "$2" == "$3" ]]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi
}
has_line() { # NAME LINE TEXT: TEXT holds exactly this line
    if grep -qxF -- "$2" <<<"$3"; then pass "$1"; else fail "$1: no line [$2] in:"$'\n'"$3"; fi
}
lacks() { # NAME PATTERN TEXT: no line of TEXT matches the extended regex
    if grep -qE -- "$2" <<<"$3"; then fail "$1: found [$2]"; else pass "$1"; fi
}
e2e_skip() {
    echo "SKIP: $*"
    exit 77
}
e2e_done() {
    echo "$e2e_passed passed, $e2e_failed failed"
    [[ $e2e_failed -eq 0 ]]
    exit
}

# The state report line of one printer.
printer_line() { printf 'printer\t%s\tdriver=%s\tport=%s\tprocessor=%s' "$@"; }
# The three commands, exactly as the installer must build them.
remove_cmd() { printf '%s\\rundll32.exe printui.dll, PrintUIEntry /dl /n "%s" /q' "$SYS" "$1"; }
driver_cmd() {
    printf '%s\\rundll32.exe printui.dll,PrintUIEntry /dd /m "VnVPrint" /q /f "%svnvprint.inf" /r "LPT1:" /m "VnVPrint"' \
        "$SYS" "$PKG"
}
install_cmd() {
    printf '%s\\rundll32.exe printui.dll, PrintUIEntry /if /b "%s" /f "%svnvprint.inf" /r "%s" /m "VnVPrint"' \
        "$SYS" "$PRINTER" "$PKG" "$PORT"
}

e2e_cleanup() {
    wine_env_stop_xvfb
    [[ "${E2E_KEEP_PREFIX:-0}" == 1 || -z "${e2e_prefix:-}" ]] || rm -rf "$e2e_prefix"
}

e2e_init() {
    E2E_BIN=$(cd "${1:?BIN_DIR}" && pwd) || exit 1
    E2E_INSTALL=${2:?INSTALL_EXE}
    e2e_prefix=${3:?PREFIX_DIR}
    [[ -x "$WINE_ENV_LOADER" ]] || e2e_skip "no $WINE_ENV_LOADER: needs Debian's wine64"
    "$WINE_ENV_LOADER" --version >/dev/null 2>&1 ||
        e2e_skip "$WINE_ENV_LOADER does not run on this system"
    command -v Xvfb >/dev/null || e2e_skip "no Xvfb: the port monitor's dialog needs a display"
    [[ -f "$E2E_INSTALL" ]] || { echo "no installer at $E2E_INSTALL"; exit 1; }
    trap e2e_cleanup EXIT
    wine_env_start_xvfb || e2e_skip "cannot start Xvfb on a free display"
    wine_env_make_prefix "$e2e_prefix" || { echo "cannot make prefix $e2e_prefix"; exit 1; }
    unset WINEDLLOVERRIDES
    DRIVE_C=$WINEPREFIX/drive_c
    E2E_PKG_DIR="$DRIVE_C/Program Files/Velnor 图像 安装"
    mkdir -p "$DRIVE_C/e2e" || exit 1
    "$e2e_here/../stage_package.sh" "$E2E_BIN" "$E2E_PKG_DIR" || exit 1
    cp -f "$E2E_INSTALL" "$E2E_PKG_DIR/install.exe" || exit 1
    wine_env_install_rundll32 "$E2E_BIN/rundll32.exe" || exit 1
    printf '"%sinstall.exe"\n' "$PKG" >"$DRIVE_C/e2e/install-cmd.txt"
}

# Runs a Windows program of BIN_DIR in the prefix; stdout is its output.
e2e_tool() {
    local exe=$1
    shift
    wine_env_run "$E2E_BIN/$exe" "$@"
}

# Sets STATE to the print system's state report.
e2e_report() {
    STATE=$(e2e_tool state_report.exe) || fail "state_report failed: $STATE"
}

# Runs each given command line through spawn.exe with the stand-in in place
# (setting up an older installation); fails the test when one is refused.
e2e_standin() {
    printf '%s\n' "$@" >"$DRIVE_C/e2e/setup-cmds.txt"
    local out
    out=$(WINEDLLOVERRIDES=rundll32.exe=n e2e_tool spawn.exe 'C:\e2e\setup-cmds.txt' 2>&1) ||
        fail "setting up with the stand-in: $out"
}

# e2e_run_installer LABEL DIALOGS: one installer run (see the header).
# Afterwards LOG holds the command lines the stand-in received in this
# run, RESULTS "<exit code><TAB><command line>" for each, WATCH run_watch's
# report.
# shellcheck disable=SC2034 # LOG, RESULTS and WATCH are for the callers
e2e_run_installer() {
    local label=$1 dialogs=$2 started elapsed rc
    rm -f "$DRIVE_C/printui-log.txt" "$DRIVE_C/e2e/results.txt"
    started=$(date +%s%N)
    WATCH=$(WINEDLLOVERRIDES=rundll32.exe=n PRINTUI_STANDIN_RESULTS='C:\e2e\results.txt' \
        WINE_ENV_TIMEOUT=$E2E_RUN_BOUND \
        wine_env_run "$E2E_BIN/run_watch.exe" --windows 'C:\e2e\install-cmd.txt' 2>/dev/null)
    rc=$?
    elapsed=$((($(date +%s%N) - started) / 1000000))
    echo "# $label: installer run took $elapsed ms"
    if [[ $rc -eq 124 || $rc -eq 137 ]]; then
        fail "$label: the run did not end within $E2E_RUN_BOUND s"
    fi
    expect_eq "$label: exit code" 0 "$(sed -n 's/^exit\t//p' <<<"$WATCH")"
    expect_eq "$label: no process it started is left" 0 "$(sed -n 's/^remaining\t//p' <<<"$WATCH")"
    if WINEPREFIX=$WINEPREFIX timeout "$E2E_IDLE_BOUND" "$WINE_ENV_SERVER" -w; then
        pass "$label: no process of the prefix is left (wineserver -w returned)"
    else
        fail "$label: the prefix still ran processes $E2E_IDLE_BOUND s after the run"
        wine_env_kill
    fi
    local visible dialog others open
    visible=$(grep -P '^window\t.*\tvisible=1\t' <<<"$WATCH")
    dialog=$(grep -cP '^window\tprogram\t#32770\t' <<<"$visible")
    others=$(grep -vP '^window\tprogram\t#32770\t' <<<"$visible")
    open=$(grep -P '\tclosed=exit$' <<<"$visible")
    expect_eq "$label: the port monitor's dialog came up $dialogs time(s)" "$dialogs" "$dialog"
    expect_eq "$label: no other window was shown" "" "$others"
    expect_eq "$label: every shown window was closed by the run itself" "" "$open"
    LOG=$(cat "$DRIVE_C/printui-log.txt" 2>/dev/null)
    RESULTS=$(cat "$DRIVE_C/e2e/results.txt" 2>/dev/null)
}

# RESULTS' exit code of one command line ("none" when it did not run).
result_of() {
    local line
    while IFS= read -r line; do
        if [[ "${line#*$'\t'}" == "$1" ]]; then
            echo "${line%%$'\t'*}"
            return
        fi
    done <<<"$RESULTS"
    echo none
}
