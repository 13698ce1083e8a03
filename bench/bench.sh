#!/usr/bin/env bash
# Benchmark (not a test): where a run of install.exe spends its time under wine64, for a clean
# install and for reinstalls over 1, 10 and 50 printers of the model.
#   bash bench/bench.sh [BIN_DIR [INSTALL_EXE]]
# BIN_DIR: the Wine tools (default build/e2e-tools/bin, from `bash scripts/build.sh --e2e`);
# INSTALL_EXE: default dist/x64/install.exe. Takes about three minutes.
#
# Method. Every scenario runs twice, each time in the same kind of fresh prefix and from the
# same state, the installer started by run_watch.exe (job object, no polling):
#   plain  wall time (process creation to exit) and the installer's own CPU time (user +
#          kernel of install.exe alone, GetProcessTimes), undisturbed;
#   relay  the same with Wine's relay trace on the OS calls install.exe makes (RelayInclude
#          below). bench/split.py takes the calls made from install.exe's own image on its main
#          thread and splits the wall time into: child (CreateProcessW and the unbounded waits
#          for each rundll32 child), waits (its Sleeps and timed polls: service stop/start,
#          port dialog), and overhead = wall - child - waits, itself split into OS calls
#          (spooler, service manager, windows, files), own code between calls, and Wine's
#          start-up/teardown of the process.
# A baseline program (bench/idle.cpp: same DLL imports, returns at once) shows what any Wine
# process costs to start and end. The rundll32 stand-in does the children's work.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
# shellcheck source=../scripts/wine_env.sh
source "$root/scripts/wine_env.sh"
bin=$(cd "${1:-$root/build/e2e-tools/bin}" 2>/dev/null && pwd) || {
    echo "bench: no Wine tools; build them with: bash scripts/build.sh --e2e"
    exit 1
}
exe=$(realpath "${2:-$root/dist/x64/install.exe}") || exit 1
out=$root/build/bench
mkdir -p "$out" || exit 1
x86_64-w64-mingw32-g++-posix -O2 -mwindows -static -o "$out/idle.exe" "$here/idle.cpp" \
    -lwinspool || exit 1
sizes=(1 10 50)
relay_calls='EnumPrintersW;EnumPortsW;AddPortW;EnumPrintProcessorsW;OpenPrinterW;ClosePrinter'
relay_calls+=';GetPrinterW;SetPrinterW;GetFormW;DeleteFormW;AddFormW;GetPrintProcessorDirectoryW'
relay_calls+=';AddPrintProcessorW;DeletePrintProcessorW;OpenSCManagerW;OpenServiceW'
relay_calls+=';QueryServiceStatus;StartServiceW;ControlService;CloseServiceHandle'
relay_calls+=';EnumThreadWindows;GetClassNameW;FindWindowExW;SetWindowTextW;PostMessageW'
relay_calls+=';CreateProcessW;CreateThread;TerminateThread;WaitForSingleObject;CloseHandle;Sleep'
relay_calls+=';GetModuleFileNameW;GetSystemDirectoryW;CopyFileW'

trap 'wine_env_stop_xvfb; rm -rf "$out/prefix"' EXIT
wine_env_start_xvfb || { echo "bench: cannot start Xvfb"; exit 1; }

# Fresh prefix with the package beside install.exe and the stand-in in place.
make_prefix() {
    wine_env_make_prefix "$out/prefix" >/dev/null || { echo "bench: no prefix"; exit 1; }
    unset WINEDLLOVERRIDES
    local c=$WINEPREFIX/drive_c
    mkdir -p "$c/bench" || exit 1
    "$root/e2e/stage_package.sh" "$bin" "$c/Program Files/Velnor 图像 安装" || exit 1
    cp -f "$exe" "$c/Program Files/Velnor 图像 安装/install.exe" || exit 1
    cp -f "$out/idle.exe" "$c/bench/idle.exe" || exit 1
    wine_env_install_rundll32 "$bin/rundll32.exe" || exit 1
    printf '"C:\\Program Files\\Velnor 图像 安装\\install.exe"\n' >"$c/bench/install.txt"
    printf 'C:\\bench\\idle.exe\n' >"$c/bench/idle.txt"
    if [[ $1 == relay ]]; then
        wine_env_run reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /t REG_SZ \
            /d "$relay_calls" /f >/dev/null 2>&1 || exit 1
    fi
    WINEPREFIX=$WINEPREFIX "$WINE_ENV_SERVER" -w
}

# Adds printers of the model "VnV bench 2".."VnV bench N" on LPT1: through the stand-in, so
# that with the installed one there are N.
add_printers() {
    local n=$1 i c=$WINEPREFIX/drive_c
    : >"$c/bench/setup.txt"
    for ((i = 2; i <= n; i++)); do
        printf 'C:\\windows\\system32\\rundll32.exe printui.dll, PrintUIEntry /if /b "VnV bench %d" /f "C:\\Program Files\\Velnor 图像 安装\\vnvprint.inf" /r "LPT1:" /m "VnVPrint"\n' \
            "$i" >>"$c/bench/setup.txt"
    done
    ((n > 1)) || return 0
    # From a quiet prefix: a process started while Wine winds the last run's services down can fail.
    WINEPREFIX=$WINEPREFIX "$WINE_ENV_SERVER" -w
    local spawned
    spawned=$(WINEDLLOVERRIDES=rundll32.exe=n wine_env_run "$bin/spawn.exe" 'C:\bench\setup.txt' 2>&1) ||
        { echo "bench: could not set up $n printers:"; grep -v '^exit=0' <<<"$spawned"; exit 1; }
    local have
    have=$(wine_env_run "$bin/spool_tool.exe" list-printers | grep -c $'\tVnVPrint\t')
    [[ $have -eq $n ]] || { echo "bench: $have printers of the model, wanted $n"; exit 1; }
}

# run MODE LABEL CMDFILE: one run from a quiet prefix; stores "wall cpu [split...]" in R[].
declare -A R
run() {
    local mode=$1 label=$2 cmd=$3 watch trace=$out/$2.trace debug=-all
    [[ $mode == relay ]] && debug=+timestamp,+pid,+relay
    WINEPREFIX=$WINEPREFIX "$WINE_ENV_SERVER" -w
    watch=$(WINEDLLOVERRIDES=rundll32.exe=n WINE_ENV_DEBUG=$debug \
        wine_env_run "$bin/run_watch.exe" "$cmd" 2>"$trace") || { echo "bench: $label failed"; exit 1; }
    local wall cpu pid
    wall=$(sed -n 's/^wall_ms\t//p' <<<"$watch")
    cpu=$(sed -n 's/^cpu_ms\t//p' <<<"$watch" | cut -f1)
    pid=$(sed -n 's/^pid\t//p' <<<"$watch")
    R[$mode.$label.wall]=$wall
    R[$mode.$label.cpu]=$cpu
    if [[ $mode == relay && $label != idle ]]; then
        local key value
        while IFS=$'\t' read -r key value; do
            if [[ $key == oscall ]]; then
                R[$mode.$label.top]+="${value//$'\t'/ } ms; "
            else
                R[$mode.$label.$key]=$value
            fi
        done \
            < <(python3 "$here/split.py" "$trace" "$exe" "$pid" "$wall" || echo "error 1")
        [[ -z "${R[$mode.$label.error]:-}" ]] || { echo "bench: split of $label failed"; exit 1; }
    fi
    [[ -n "${BENCH_KEEP_TRACES:-}" ]] || rm -f "$trace"
}

for mode in plain relay; do
    echo "bench: $mode runs" >&2
    make_prefix "$mode"
    [[ $mode == plain ]] && run plain idle 'C:\bench\idle.txt'
    run "$mode" clean 'C:\bench\install.txt'
    for n in "${sizes[@]}"; do
        add_printers "$n"
        run "$mode" "reinstall-$n" 'C:\bench\install.txt'
    done
done

f() { printf '%8.1f' "$1"; }
echo
echo "Baseline (idle.exe, same DLLs, returns at once): wall $(f "${R[plain.idle.wall]}") ms, CPU $(f "${R[plain.idle.cpu]}") ms"
echo
echo "Undisturbed runs (plain):"
printf '%-14s %10s %10s\n' scenario wall_ms cpu_ms
for label in clean "${sizes[@]/#/reinstall-}"; do
    printf '%-14s %10s %10s\n' "$label" "$(f "${R[plain.$label.wall]}")" "$(f "${R[plain.$label.cpu]}")"
done
echo
echo "Split of the traced runs (relay), ms:"
printf '%-14s %9s %9s %9s %9s %9s | %9s %9s %9s %6s\n' scenario wall child waits overhead \
    ovh/wall oscalls owncode startup calls
for label in clean "${sizes[@]/#/reinstall-}"; do
    k=relay.$label
    ovh=$(awk -v w="${R[$k.wall]}" -v c="${R[$k.child]}" -v s="${R[$k.waits]}" 'BEGIN{print w-c-s}')
    printf '%-14s %9s %9s %9s %9s %8.1f%% | %9s %9s %9s %6s\n' "$label" "$(f "${R[$k.wall]}")" \
        "$(f "${R[$k.child]}")" "$(f "${R[$k.waits]}")" "$(f "$ovh")" \
        "$(awk -v o="$ovh" -v w="${R[$k.wall]}" 'BEGIN{print 100*o/w}')" \
        "$(f "${R[$k.oscalls]}")" "$(f "${R[$k.owncode]}")" "$(f "${R[$k.startup]}")" "${R[$k.calls]}"
done
echo
echo "Costliest OS calls of the traced runs (name, calls, ms):"
for label in clean "${sizes[@]/#/reinstall-}"; do
    printf '%-14s %s\n' "$label" "${R[relay.$label.top]}"
done
echo
echo "Cost per printer of the model (slope between sizes, relay runs), ms:"
printf '%-14s %9s %9s %9s %9s\n' between wall child waits overhead
prev=
for n in "${sizes[@]}"; do
    if [[ -n "$prev" ]]; then
        a=relay.reinstall-$prev b=relay.reinstall-$n
        slope() { awk -v x="$1" -v y="$2" -v d="$((n - prev))" 'BEGIN{printf "%9.1f", (y-x)/d}'; }
        oa=$(awk -v w="${R[$a.wall]}" -v c="${R[$a.child]}" -v s="${R[$a.waits]}" 'BEGIN{print w-c-s}')
        ob=$(awk -v w="${R[$b.wall]}" -v c="${R[$b.child]}" -v s="${R[$b.waits]}" 'BEGIN{print w-c-s}')
        printf '%-14s %s %s %s %s\n' "$prev..$n" "$(slope "${R[$a.wall]}" "${R[$b.wall]}")" \
            "$(slope "${R[$a.child]}" "${R[$b.child]}")" "$(slope "${R[$a.waits]}" "${R[$b.waits]}")" \
            "$(slope "$oa" "$ob")"
    fi
    prev=$n
done
