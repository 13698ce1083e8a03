#!/usr/bin/env bash
# A clean install on a fresh prefix: no port, no printer, no processor of
# ours. Afterwards the printer of the model is on the port, which the
# installer made through the monitor's real dialog, with our processor,
# whose DLL now lies in the spooler's processor directory.
#   e2e/tests/clean_install.sh BIN_DIR INSTALL_EXE PREFIX_DIR
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_init "$@"

e2e_report
before=$STATE
lacks "no port $PORT before the run" "^port"$'\t'"$PORT"$'\t' "$before"
lacks "no processor VnVProcessor before the run" $'^processor(-file)?\tVnVProcessor' "$before"

e2e_run_installer "clean install" 1
e2e_report
has_line "printer of the model on the port with our processor" \
    "$(printer_line "$PRINTER" VnVPrint "$PORT" VnVProcessor)" "$STATE"
expect_eq "it is the only printer" 1 "$(grep -c $'^printer\t' <<<"$STATE")"
# Wine names the "Local Port" monitor "Local Monitor" in PORT_INFO_2: the
# new port must belong to the same monitor as LPT1:.
local_monitor=$(sed -n 's/^port\tLPT1:\t//p' <<<"$STATE")
has_line "port made by the local port monitor" "$(printf 'port\t%s\t%s' "$PORT" "$local_monitor")" "$STATE"
has_line "driver from the package beside the installer" \
    $'driver\tVnVPrint\tenvironment=Windows x64\tdriver=vnvdrv.dll\tconfig=vnvui.dll\tdata=vnvprint.dat' \
    "$STATE"
has_line "processor registered" $'processor\tVnVProcessor' "$STATE"
has_line "processor DLL in the processor directory" $'processor-file\tVnVProcessor.dll' "$STATE"
if cmp -s "$E2E_PKG_DIR/VnVProcessor.dll" "$DRIVE_C/windows/system32/spool/prtprocs/x64/VnVProcessor.dll"; then
    pass "the DLL there is the one beside the installer"
else
    fail "the DLL there is the one beside the installer"
fi
# No printer of the model yet: no removal; the driver removal still runs
# (and fails, there being no driver), then the installation.
expect_eq "commands: driver removal, then installation" "$(driver_cmd)"$'\n'"$(install_cmd)" "$LOG"
expect_eq "the installation command succeeded" 0 "$(result_of "$(install_cmd)")"
e2e_done
