#!/usr/bin/env bash
# Two runs in a row on a fresh prefix leave the same print system state:
# the second removes and reinstalls the printer, finds the port and leaves
# it alone, and replaces the processor with the same one.
#   e2e/tests/repeat_run.sh BIN_DIR INSTALL_EXE PREFIX_DIR
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_init "$@"

e2e_run_installer "first run" 1
e2e_report
first=$STATE
has_line "first run: printer installed" "$(printer_line "$PRINTER" VnVPrint "$PORT" VnVProcessor)" "$first"

e2e_run_installer "second run" 0
expect_eq "second run: removal of the printer, driver removal, installation" \
    "$(remove_cmd "$PRINTER")"$'\n'"$(driver_cmd)"$'\n'"$(install_cmd)" "$LOG"
expect_eq "second run: every command succeeded" "0 0 0" \
    "$(result_of "$(remove_cmd "$PRINTER")") $(result_of "$(driver_cmd)") $(result_of "$(install_cmd)")"
e2e_report
if [[ "$first" == "$STATE" ]]; then
    pass "the state after the second run equals the state after the first"
else
    fail "the state changed between the runs: $(diff <(echo "$first") <(echo "$STATE"))"
fi
e2e_done
