#!/usr/bin/env bash
# The main job, from a fresh Debian 12 machine (as root): installs the packages, builds
# dist/x86/install.exe (shipped), dist/x64/install.exe and the Wine tools of e2e/, then runs the
# 64-bit installer once as a user would: in a fresh Wine prefix (build/run-prefix, kept for a
# look afterwards), on a private Xvfb display, with the sample package laid out beside it in
# C:\Program Files\Velnor 图像 安装\ and the rundll32 stand-in carrying out its PrintUIEntry
# commands. Prints the print system's state before and after, the commands the installer gave
# and the windows it brought up. Exits non-zero when the run could not be made.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
bash scripts/setup.sh || exit 1
bash scripts/build.sh --e2e || exit 1
ls -l dist/x86/install.exe dist/x64/install.exe

# shellcheck source=wine_env.sh
source scripts/wine_env.sh
bin=build/e2e-tools/bin
prefix=build/run-prefix
trap wine_env_stop_xvfb EXIT
wine_env_start_xvfb || { echo "run: cannot start Xvfb"; exit 1; }
echo "run: making a fresh Wine prefix in $prefix (takes a while)"
wine_env_make_prefix "$prefix" || { echo "run: cannot make the prefix"; exit 1; }
unset WINEDLLOVERRIDES
drive_c=$WINEPREFIX/drive_c
dir="$drive_c/Program Files/Velnor 图像 安装"
e2e/stage_package.sh "$bin" "$dir" || exit 1
cp -f dist/x64/install.exe "$dir/" || exit 1
wine_env_install_rundll32 "$bin/rundll32.exe" || exit 1
printf '"C:\\Program Files\\Velnor 图像 安装\\install.exe"\n' >"$drive_c/install-cmd.txt"

echo
echo "== C:\\Program Files\\Velnor 图像 安装\\"
ls -l "$dir"
echo
echo "== print system before the run"
wine_env_run "$bin/state_report.exe"
echo
echo "== running install.exe (wine64, DISPLAY=$DISPLAY)"
# run_watch starts it as a user would and notes every top-level window it brings up.
# The stand-in's own complaints are left out: its exit codes below say the same.
watch=$(WINEDLLOVERRIDES=rundll32.exe=n PRINTUI_STANDIN_RESULTS='C:\printui-results.txt' \
  wine_env_run "$bin/run_watch.exe" --windows 'C:\install-cmd.txt' 2>/dev/null)
rc=$?
[[ $rc -eq 0 ]] || { echo "run: the installer could not be run ($rc)"; exit 1; }
printf 'exit code %s after %s ms\n' "$(sed -n 's/^exit\t//p' <<<"$watch")" \
  "$(sed -n 's/^wall_ms\t//p' <<<"$watch")"
echo "windows it brought up (only the Local Port monitor's add-port dialog is expected):"
grep -P '^window\t.*\tvisible=1\t' <<<"$watch" | cut -f3-
echo "commands it gave, with the stand-in's exit code (on a fresh system the driver removal fails:"
echo "there is no driver yet):"
cat "$drive_c/printui-results.txt"
echo
echo "== print system after the run"
wine_env_run "$bin/state_report.exe"
