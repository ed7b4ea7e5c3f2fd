#!/usr/bin/env bash
# The Windows console under Wine against a bare Win32 window of the same thirty controls, in the same
# run: start-up until the main window is shown and until the program first waits for input, and the
# peak working set then (bench/window_start_probe_win32.cpp, medians of RUNS starts each, taking
# turns), and the size of the executable as the zip and the installer ship it with the DLLs it imports. Replaces the "Windows
# console under Wine" section of bench/results.md.
#
#   bash bench/windows_console_bench.sh [RUNS]      (default 21; after scripts/windows-build.sh)
#
# The console's copy reads a KorvaCfg.ini beside it naming only 127.0.0.184, and nothing is clicked.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-windows
runs=${1:-21}
results=bench/results.md

if ! ninja -C "$build" -t targets all 2>/dev/null | grep -q '^KorvaCfg:'; then
  echo "windows_console_bench.sh: $build has no KorvaCfg.exe to measure" >&2
  exit 1
fi
cmake --build "$build" --target KorvaCfg bare_window window_start_probe >/dev/null

. bench/scratch.sh
. bench/results_section.sh
. scripts/wine-session.sh
wine_session "$build"
stop_wine() { "${wineserver[@]}" -k 2>/dev/null || true; }
trap 'stop_wine; cleanup' EXIT
use_display
timeout 300 "${wine[@]}" wineboot -i

# The programs as shipped: stripped, each in a folder of its own.
strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' "$build/CMakeCache.txt")
mkdir "$work/console" "$work/bare"
"$strip" -o "$work/console/KorvaCfg.exe" "$(find "$build" -name KorvaCfg.exe -not -path '*/_CPack_Packages/*' | head -n 1)"
"$strip" -o "$work/bare/bare_window.exe" "$build/bench/bare_window.exe"
printf '[Geral]\r\nIP=127.0.0.184\r\nmsk=255.255.255.0\r\nGW=127.0.0.184\r\n' >"$work/console/KorvaCfg.ini"

probe() {
  "${wine[@]}" "$build/bench/window_start_probe.exe" "$1" "$(windows_path "$work/console/KorvaCfg.exe")" \
    "$(windows_path "$work/bare/bare_window.exe")" | tr -d '\r'
}
echo "warming up ..." >&2
probe 1 >/dev/null
echo "start-up and peak working set ($runs runs each) ..." >&2
probe "$runs" >"$work/startup"
figure() { awk -v name="$1" -v key="$2" '$1 == name { for (i = 2; i < NF; i += 2) if ($i == key) print $(i + 1) }' \
  "$work/startup"; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
met() { awk -v x="$1" "BEGIN { print (x $2) ? \"yes\" : \"**no**\" }"; }
grouped() { sed ':a; s/\B[0-9]\{3\}\>/,&/; ta' <<<"$1"; }
imports() { x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ { print $3 }' | sort -f | paste -sd, | sed 's/,/, /g'; }
# The imported DLLs that Windows itself does not have (Wine's prefix holds one of each system DLL).
foreign_imports() {
  local dll
  for dll in $(x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ { print $3 }'); do
    find "$build/wine-prefix/drive_c/windows/system32" -maxdepth 1 -iname "$dll" | grep -q . || echo "$dll"
  done
}

k_start=$(figure KorvaCfg startup_ms)
b_start=$(figure bare_window startup_ms)
k_idle=$(figure KorvaCfg idle_ms)
b_idle=$(figure bare_window idle_ms)
k_peak=$(figure KorvaCfg peak_kb)
b_peak=$(figure bare_window peak_kb)
k_size=$(stat -c %s "$work/console/KorvaCfg.exe")
b_size=$(stat -c %s "$work/bare/bare_window.exe")
foreign=$(foreign_imports "$work/console/KorvaCfg.exe")
size_met=$(met "$k_size" '<= 2000000')
[ -z "$foreign" ] || size_met="**no** (imports $foreign)"

{
  echo "$windows_console_section"
  echo
  echo "Written by \`bash bench/windows_console_bench.sh $runs\` on $(date -u '+%Y-%m-%d %H:%M UTC'): $(nproc) cores, load average"
  echo "$(cut -d' ' -f1-3 /proc/loadavg) at the end, $("${wine[@]}" --version), $(x86_64-w64-mingw32-g++-posix --version | head -n 1), Release, static, stripped."
  echo "Each program is started $runs times, taking turns with the other (every other round the other first), by \`window_start_probe.exe\` inside one Wine session on"
  echo "Xvfb (after one uncounted start of each); times are from CreateProcess until a visible top-level window of the process"
  echo "exists, and on until WaitForInputIdle returns, when the program first waits for input; the peak working set is"
  echo "GetProcessMemoryInfo's PeakWorkingSetSize then. Medians. KorvaCfg shows its window before it opens its socket and"
  echo "makes the 100 ms pause it has always made before its first event; the second row includes both."
  echo
  echo "| Figure | KorvaCfg.exe | Bare Win32 window, 30 controls (same run) | Ratio | Goal | Met |"
  echo "|---|---|---|---|---|---|"
  echo "| Start-up until the main window is shown | $k_start ms | $b_start ms | $(ratio "$k_start" "$b_start")× | ≤ 1.2× | $(met "$(ratio "$k_start" "$b_start")" '<= 1.2') |"
  echo "| Start-up until it first waits for input | $k_idle ms | $b_idle ms | $(ratio "$k_idle" "$b_idle")× | | |"
  echo "| Peak working set then | $(grouped "$k_peak") KiB | $(grouped "$b_peak") KiB | $(ratio "$k_peak" "$b_peak")× | ≤ 1.2× | $(met "$(ratio "$k_peak" "$b_peak")" '<= 1.2') |"
  echo "| Executable, as the zip and the installer ship it | $(grouped "$k_size") B | $(grouped "$b_size") B | | ≤ 2 MB, no DLL but the system's | $size_met |"
  echo "| DLLs imported | $(imports "$work/console/KorvaCfg.exe") | $(imports "$work/bare/bare_window.exe") | | | |"
} >"$work/section"
replace_section "$results" "$windows_console_section" "$work/section"
echo "wrote the \"${windows_console_section#\#\# }\" section of $results" >&2
cat "$work/section"
