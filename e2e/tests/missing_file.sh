#!/usr/bin/env bash
# A package with one file missing: the run still ends with exit code 0,
# within the bound, and carries out every other phase.
#   e2e/tests/missing_file.sh BIN_DIR INSTALL_EXE PREFIX_DIR FILE
# FILE: vnvprint.inf or VnVProcessor.dll (the table below holds what each
# case must still show).
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
missing=${4:?FILE}
case $missing in
vnvprint.inf | VnVProcessor.dll) ;;
*) echo "unknown case $missing"; exit 1 ;;
esac
e2e_init "$@"
rm -f "$E2E_PKG_DIR/$missing"

e2e_run_installer "without $missing" 1
e2e_report
# Both commands run whatever is missing: the run goes on past a failed child.
expect_eq "commands: driver removal, then installation" "$(driver_cmd)"$'\n'"$(install_cmd)" "$LOG"
port_line=$(grep -P "^port\t$PORT\t" <<<"$STATE")
expect_eq "the port was made (phase after the driver removal)" 1 "$(grep -c . <<<"$port_line")"
case $missing in
vnvprint.inf)
    expect_eq "the installation command failed for lack of the INF" 2 "$(result_of "$(install_cmd)")"
    lacks "no printer" $'^printer\t' "$STATE"
    lacks "no driver of the model" $'^driver\tVnVPrint\t' "$STATE"
    # The processor is deployed after the failed installation all the same.
    has_line "processor DLL copied" $'processor-file\tVnVProcessor.dll' "$STATE"
    has_line "processor registered" $'processor\tVnVProcessor' "$STATE"
    ;;
VnVProcessor.dll)
    expect_eq "the installation command succeeded" 0 "$(result_of "$(install_cmd)")"
    lacks "no processor DLL in the processor directory" $'^processor-file\tVnVProcessor.dll$' "$STATE"
    # The printer is there; which processor Wine lets it name after
    # registering a DLL that does not exist is Wine's leniency, not ours.
    has_line "printer of the model on the port" \
        "$(grep -P "^printer\t$PRINTER\tdriver=VnVPrint\tport=$PORT\tprocessor=" <<<"$STATE")" "$STATE"
    expect_eq "it is the only printer" 1 "$(grep -c $'^printer\t' <<<"$STATE")"
    ;;
esac
# The spooler is up again after the processor phase's stop and start.
expect_eq "the spooler answers after the run" "" "$(grep $'^error\t' <<<"$STATE")"
e2e_done
