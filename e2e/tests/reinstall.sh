#!/usr/bin/env bash
# A run over an older installation: three printers of the model (one of
# them ours, on our port), a printer of another model, our processor
# registered and used by our printer and the other model's printer, and the
# model's driver from an older package (its data file has another name, so
# the state shows whether the driver was really removed and installed anew).
#   e2e/tests/reinstall.sh BIN_DIR INSTALL_EXE PREFIX_DIR
# shellcheck source=lib.sh
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"
e2e_init "$@"

old_dir="$DRIVE_C/old package"
# shellcheck disable=SC1003 # a Windows path ending in a backslash
old='C:\old package\'
"$e2e_here/../stage_package.sh" "$E2E_BIN" "$old_dir" || exit 1
mv "$old_dir/vnvprint.dat" "$old_dir/vnvprint-old.dat"
sed -i 's/vnvprint\.dat/vnvprint-old.dat/g' "$old_dir/vnvprint.inf"
sed 's/^"VnVPrint"=/"OtherPrint"=/' "$old_dir/vnvprint.inf" >"$old_dir/other.inf"
old_if() { # NAME PORT MODEL INF
    printf '%s\\rundll32.exe printui.dll, PrintUIEntry /if /b "%s" /f "%s%s" /r "%s" /m "%s"' \
        "$SYS" "$1" "$old" "$4" "$2" "$3"
}
other='Other Model Printer'
e2e_tool spool_tool.exe add-port "$PORT" || fail "setup: add-port"
# Made in an order that is not the enumeration order, so the removal order
# cannot come out right by following creation.
e2e_standin "$(old_if 'VnV 第三' LPT3: VnVPrint vnvprint.inf)" \
    "$(old_if "$other" LPT2: OtherPrint other.inf)" \
    "$(old_if "$PRINTER" "$PORT" VnVPrint vnvprint.inf)" \
    "$(old_if 'VnV second' LPT1: VnVPrint vnvprint.inf)"
cp -f "$E2E_BIN/VnVProcessor.dll" "$DRIVE_C/windows/system32/spool/prtprocs/x64/" || exit 1
e2e_tool spool_tool.exe add-processor VnVProcessor VnVProcessor.dll || fail "setup: add-processor"
for p in "$PRINTER" "$other"; do
    e2e_tool spool_tool.exe set-processor "$p" VnVProcessor || fail "setup: set-processor $p"
done

e2e_report
has_line "before: our printer on our processor" \
    "$(printer_line "$PRINTER" VnVPrint "$PORT" VnVProcessor)" "$STATE"
has_line "before: the other model's printer on our processor" \
    "$(printer_line "$other" OtherPrint LPT2: VnVProcessor)" "$STATE"
has_line "before: the older driver" \
    $'driver\tVnVPrint\tenvironment=Windows x64\tdriver=vnvdrv.dll\tconfig=vnvui.dll\tdata=vnvprint-old.dat' \
    "$STATE"
# The removals must follow the spooler's own enumeration order.
order=$(e2e_tool spool_tool.exe list-printers | awk -F'\t' '$2 == "VnVPrint" { print $1 }')
expect_eq "before: three printers of the model" 3 "$(grep -c . <<<"$order")"
expected=""
while IFS= read -r name; do expected+="$(remove_cmd "$name")"$'\n'; done <<<"$order"
expected+="$(driver_cmd)"$'\n'"$(install_cmd)"

e2e_run_installer "reinstall" 0
expect_eq "commands: one removal per printer in enumeration order, driver, install" "$expected" "$LOG"
while IFS= read -r name; do
    expect_eq "removal of $name succeeded" 0 "$(result_of "$(remove_cmd "$name")")"
done <<<"$order"
expect_eq "the driver removal succeeded" 0 "$(result_of "$(driver_cmd)")"
expect_eq "the installation succeeded" 0 "$(result_of "$(install_cmd)")"

e2e_report
has_line "our printer reinstalled on our port with our processor" \
    "$(printer_line "$PRINTER" VnVPrint "$PORT" VnVProcessor)" "$STATE"
lacks "the other printers of the model are gone" $'^printer\t(VnV second|VnV 第三)\t' "$STATE"
has_line "the other model's printer moved to WinPrint" \
    "$(printer_line "$other" OtherPrint LPT2: WinPrint)" "$STATE"
expect_eq "two printers in all" 2 "$(grep -c $'^printer\t' <<<"$STATE")"
has_line "the driver is the new package's" \
    $'driver\tVnVPrint\tenvironment=Windows x64\tdriver=vnvdrv.dll\tconfig=vnvui.dll\tdata=vnvprint.dat' \
    "$STATE"
has_line "the other model's driver is untouched" \
    $'driver\tOtherPrint\tenvironment=Windows x64\tdriver=vnvdrv.dll\tconfig=vnvui.dll\tdata=vnvprint-old.dat' \
    "$STATE"
expect_eq "one port of our name" 1 "$(grep -c "^port"$'\t'"$PORT"$'\t' <<<"$STATE")"
has_line "processor DLL in the processor directory" $'processor-file\tVnVProcessor.dll' "$STATE"
e2e_done
