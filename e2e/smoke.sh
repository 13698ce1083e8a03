#!/usr/bin/env bash
# End-to-end check of the Wine test tools under wine64 + Xvfb, in a fresh
# prefix: the rundll32 stand-in really replaces Wine's rundll32, carries out
# the installer's three PrintUIEntry commands on a package in a directory
# with blanks and non-ASCII characters, refuses what Windows refuses, logs
# every command line; VnVProcessor registers and passes a RAW job through.
#   e2e/smoke.sh BIN_DIR PREFIX_DIR
# BIN_DIR is the e2e build's bin/ folder. PREFIX_DIR is wiped and made anew;
# it is removed at the end unless E2E_KEEP_PREFIX=1.
# Ends with "N passed, N failed"; exit code 1 when anything failed.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../scripts/wine_env.sh
source "$here/../scripts/wine_env.sh"

bin=$(cd "${1:?BIN_DIR}" && pwd) || exit 1
prefix=${2:?PREFIX_DIR}
passed=0
failed=0

cleanup() {
    wine_env_stop_xvfb
    [[ "${E2E_KEEP_PREFIX:-0}" == 1 ]] || rm -rf "$prefix"
}
trap cleanup EXIT

pass() { passed=$((passed + 1)); echo "ok - $1"; }
fail() { failed=$((failed + 1)); echo "FAIL - $1"; }
expect_eq() { # NAME EXPECTED GOT
    if [[ "$2" == "$3" ]]; then pass "$1"; else fail "$1: expected [$2], got [$3]"; fi
}
has_line() { # NAME LINE: the state report holds exactly this line
    if grep -qxF -- "$2" <<<"$state"; then pass "$1"; else fail "$1: no line [$2]"; fi
}
lacks() { # NAME PATTERN: no state report line matches
    if grep -qE -- "$2" <<<"$state"; then fail "$1: found [$2]"; else pass "$1"; fi
}

report() { state=$(wine_env_run "$bin/state_report.exe"); }

# Runs one command line through spawn.exe (CreateProcessW, as the installer
# does) and echoes the child's exit code. Extra VAR=value words before the
# command line go into the run's environment.
spawn_one() {
    local envs=() n=0
    while [[ "$1" == *=* && "$1" != *' '* ]]; do envs+=("$1"); shift; done
    n=$((++spawn_count))
    printf '%s\n' "$1" >"$drive_c/e2e/cmd$n.txt"
    local out
    # shellcheck disable=SC2016 # expanded by the inner shell
    out=$(env "${envs[@]}" bash -c 'source "$1"; shift; wine_env_run "$@"' _ \
        "$here/../scripts/wine_env.sh" "$bin/spawn.exe" "C:\\e2e\\cmd$n.txt")
    sed -n 's/^exit=\([-0-9]*\)\t.*/\1/p' <<<"$out"
}
# Runs one command line through the stand-in; it also goes on the list of
# lines the log must hold (a file, as this runs in command substitutions).
standin() {
    printf '%s\n' "$1" >>"$drive_c/e2e/expected-log.txt"
    spawn_one WINEDLLOVERRIDES=rundll32.exe=n "$1"
}

wine_env_start_xvfb || { echo "cannot start Xvfb"; exit 1; }
wine_env_make_prefix "$prefix" || { echo "cannot make prefix $prefix"; exit 1; }
unset WINEDLLOVERRIDES
drive_c=$WINEPREFIX/drive_c
mkdir -p "$drive_c/e2e"
spawn_count=0
log=$drive_c/printui-log.txt

sys='C:\windows\system32'
printer='Velnor图像虚拟打印机'
# shellcheck disable=SC1003 # a Windows path ending in a backslash
pkg='C:\Velnor 安装 dir\'
"$here/stage_package.sh" "$bin" "$drive_c/Velnor 安装 dir" || exit 1
wine_env_install_rundll32 "$bin/rundll32.exe" || exit 1

remove_cmd="$sys\\rundll32.exe printui.dll, PrintUIEntry /dl /n \"$printer\" /q"
driver_cmd="$sys\\rundll32.exe printui.dll,PrintUIEntry /dd /m \"VnVPrint\" /q /f \"${pkg}vnvprint.inf\" /r \"LPT1:\" /m \"VnVPrint\""
install_cmd="$sys\\rundll32.exe printui.dll, PrintUIEntry /if /b \"$printer\" /f \"${pkg}vnvprint.inf\" /r \"Velnor Local Port\" /m \"VnVPrint\""

echo "# Which rundll32 runs"
expect_eq "without the override Wine's own rundll32 runs (exit 0, nothing logged)" \
    "0 no-log" "$(spawn_one "$remove_cmd") $([[ -e "$log" ]] && echo log || echo no-log)"
expect_eq "with rundll32.exe=n the stand-in runs (no such printer yet: exit 2)" \
    "2" "$(standin "$remove_cmd")"
expect_eq "the stand-in logged its command line" "$remove_cmd" "$(cat "$log" 2>/dev/null)"
expect_eq "PRINTUI_STANDIN_LOG moves the log" "2 $remove_cmd" \
    "$(spawn_one WINEDLLOVERRIDES=rundll32.exe=n 'PRINTUI_STANDIN_LOG=C:\e2e\other.txt' "$remove_cmd") $(cat "$drive_c/e2e/other.txt" 2>/dev/null)"

echo "# Port without a dialog"
expect_eq "XcvData AddPort creates Velnor Local Port" 0 \
    "$(wine_env_run "$bin/spool_tool.exe" add-port 'Velnor Local Port'; echo $?)"

echo "# Install, refuse, remove"
expect_eq "/if on the installer's command" 0 "$(standin "$install_cmd")"
report
has_line "printer installed with driver, port and WinPrint" \
    "$(printf 'printer\t%s\tdriver=VnVPrint\tport=Velnor Local Port\tprocessor=WinPrint' "$printer")"
has_line "driver registered with the package's files" \
    "$(printf 'driver\tVnVPrint\tenvironment=Windows x64\tdriver=vnvdrv.dll\tconfig=vnvui.dll\tdata=vnvprint.dat')"
expect_eq "second printer of the model on LPT1:" 0 \
    "$(standin "$sys\\rundll32.exe printui.dll, PrintUIEntry /if /b \"Second VnV\" /f \"${pkg}vnvprint.inf\" /r \"LPT1:\" /m \"VnVPrint\"")"
expect_eq "/if of an existing printer fails" 2 "$(standin "$install_cmd")"
expect_eq "/dd while printers use the driver fails" 2 "$(standin "$driver_cmd")"
expect_eq "/if with a missing INF fails without crashing" 2 \
    "$(standin "$sys\\rundll32.exe printui.dll, PrintUIEntry /if /b \"No INF\" /f \"C:\\nowhere\\vnvprint.inf\" /r \"LPT1:\" /m \"VnVPrint\"")"
expect_eq "/if on a port that does not exist fails" 2 \
    "$(standin "$sys\\rundll32.exe printui.dll, PrintUIEntry /if /b \"No port\" /f \"${pkg}vnvprint.inf\" /r \"Nowhere Port\" /m \"VnVPrint\"")"
expect_eq "/if of a model the INF lacks fails" 2 \
    "$(standin "$sys\\rundll32.exe printui.dll, PrintUIEntry /if /b \"No model\" /f \"${pkg}vnvprint.inf\" /r \"LPT1:\" /m \"Other\"")"
expect_eq "an unknown option is refused" 1 \
    "$(standin "$sys\\rundll32.exe printui.dll,PrintUIEntry /dl /n \"x\" /zz")"
report
lacks "refused printers were not added" $'^printer\t(No INF|No port|No model)\t'
has_line "driver survived the refused /dd" \
    "$(printf 'driver\tVnVPrint\tenvironment=Windows x64\tdriver=vnvdrv.dll\tconfig=vnvui.dll\tdata=vnvprint.dat')"
expect_eq "/dl of the printer" 0 "$(standin "$remove_cmd")"
expect_eq "/dl of the second printer" 0 \
    "$(standin "$sys\\rundll32.exe printui.dll, PrintUIEntry /dl /n \"Second VnV\" /q")"
expect_eq "/dl again fails" 2 "$(standin "$remove_cmd")"
expect_eq "/dd on the installer's command" 0 "$(standin "$driver_cmd")"
expect_eq "/dd again fails (no such driver)" 2 "$(standin "$driver_cmd")"
report
lacks "no printer left" $'^printer\t'
lacks "no driver left" $'^driver\tVnVPrint\t'
if cmp -s "$log" "$drive_c/e2e/expected-log.txt"; then
    pass "log holds every command line received, UTF-8, one per line, in order"
else
    fail "log differs from the command lines sent: $(diff "$drive_c/e2e/expected-log.txt" "$log")"
fi

echo "# VnVProcessor"
ppdir=$drive_c/windows/system32/spool/prtprocs/x64
cp "$bin/VnVProcessor.dll" "$ppdir/" || exit 1
expect_eq "AddPrintProcessorW with the DLL in the processor directory" 0 \
    "$(wine_env_run "$bin/spool_tool.exe" add-processor VnVProcessor VnVProcessor.dll; echo $?)"
report
has_line "processor registered" $'processor\tVnVProcessor'
has_line "processor DLL in the processor directory" $'processor-file\tVnVProcessor.dll'
wine_env_run "$bin/spool_tool.exe" add-port 'C:\e2e\out.prn'
standin "$sys\\rundll32.exe printui.dll, PrintUIEntry /if /b \"File VnV\" /f \"${pkg}vnvprint.inf\" /r \"C:\\e2e\\out.prn\" /m \"VnVPrint\"" >/dev/null
expect_eq "printer switched to VnVProcessor" 0 \
    "$(wine_env_run "$bin/spool_tool.exe" set-processor 'File VnV' VnVProcessor; echo $?)"
{ printf 'RAW\0bytes\r\n'; head -c 10000 /dev/urandom; } >"$drive_c/e2e/job.bin"
trace=$(WINE_ENV_DEBUG=+loaddll wine_env_run "$bin/spool_tool.exe" print-raw 'File VnV' 'C:\e2e\job.bin' 2>&1)
if grep -q 'Loaded.*prtprocs\\\\x64\\\\VnVProcessor.dll' <<<"$trace"; then
    pass "the spooler loaded VnVProcessor.dll for the job"
else
    fail "the spooler loaded VnVProcessor.dll for the job"
fi
if cmp -s "$drive_c/e2e/job.bin" "$drive_c/e2e/out.prn"; then
    pass "RAW job passed through byte for byte"
else
    fail "RAW job passed through byte for byte"
fi
report
first=$state
report
expect_eq "state report is stable between runs" "$first" "$state"

echo "$passed passed, $failed failed"
[[ $failed -eq 0 ]]
