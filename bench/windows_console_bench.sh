#!/usr/bin/env bash
# The Windows console under Wine against a bare Win32 window of the same thirty controls and the same
# manifest, in the same run: start-up until the main window is shown and until the program first waits
# for input, and the peak working set then (bench/window_start_probe_win32.cpp, medians of RUNS starts
# each, taking turns), and the size of the executable as the zip and the installer ship it with the DLLs
# it imports. Then what each part costs, in rounds of their own: the bare window loading each DLL the
# console imports beyond the bare window's own (and, for comparison, the ones it loads only when a screen
# reader asks), and the console's own start-up step by step (KorvaCfg_steps.exe, app/startup_steps.h).
# Replaces the "Windows console under Wine" section of bench/results.md.
#
#   bash bench/windows_console_bench.sh [RUNS]      (default 21; after scripts/windows-build.sh)
#
# The console's copies read a KorvaCfg.ini beside them naming only 127.0.0.184, and nothing is clicked.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-windows
runs=${1:-21}
results=bench/results.md

# grep reads to the end: one that stopped at the match would fail the listing on a closed pipe.
if ! ninja -C "$build" -t targets all 2>/dev/null | grep '^KorvaCfg:' >/dev/null; then
  echo "windows_console_bench.sh: $build has no KorvaCfg.exe to measure" >&2
  exit 1
fi
cmake --build "$build" --target KorvaCfg KorvaCfg_steps bare_window window_start_probe >/dev/null

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
mkdir "$work/console" "$work/steps" "$work/bare"
"$strip" -o "$work/console/KorvaCfg.exe" "$build/app/KorvaCfg.exe"
"$strip" -o "$work/steps/KorvaCfg_steps.exe" "$build/bench/KorvaCfg_steps.exe"
"$strip" -o "$work/bare/bare_window.exe" "$build/bench/bare_window.exe"
for folder in console steps; do
  printf '[Geral]\r\nIP=127.0.0.184\r\nmsk=255.255.255.0\r\nGW=127.0.0.184\r\n' >"$work/$folder/KorvaCfg.ini"
done
steps_file=$work/steps/KorvaCfg_steps.exe.steps

dll_names() { x86_64-w64-mingw32-objdump -p "$1" | awk '/DLL Name:/ { print tolower($3) }' | sort; }
# What the console imports that the bare window does not, and what it loads late.
mapfile -t own_dlls < <(comm -23 <(dll_names "$work/console/KorvaCfg.exe") <(dll_names "$work/bare/bare_window.exe"))
com_dlls=(ole32.dll oleaut32.dll oleacc.dll)
late_dlls=(ws2_32.dll "${com_dlls[@]}")
bare=$(windows_path "$work/bare/bare_window.exe")
# Three rounds of turns: the console against the bare window; the bare window alone and with each DLL;
# the console marking its steps. Each its own, so that the first compares as it always has.
comparison=("$(windows_path "$work/console/KorvaCfg.exe")" "$bare")
dll_costs=("$bare")
for dll in "${own_dlls[@]}" "${late_dlls[@]}"; do
  dll_costs+=("\"$bare\" $dll")
done
dll_costs+=("\"$bare\" ${com_dlls[*]}")
steps=("$(windows_path "$work/steps/KorvaCfg_steps.exe")")

probe() { "${wine[@]}" "$build/bench/window_start_probe.exe" "$@" | tr -d '\r'; }
echo "warming up ..." >&2
probe 1 "${comparison[@]}" "${dll_costs[@]}" "${steps[@]}" >/dev/null
rm -f "$steps_file"
echo "start-up and peak working set ($runs runs each), the DLLs' costs, the steps ..." >&2
probe "$runs" "${comparison[@]}" >"$work/startup"
probe "$runs" "${dll_costs[@]}" >"$work/dlls"
probe "$runs" "${steps[@]}" >/dev/null
figure() { awk -v name="$1" -v key="$2" '$1 == name { for (i = 2; i < NF; i += 2) if ($i == key) print $(i + 1) }' \
  "${3:-$work/startup}"; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
met() { awk -v x="$1" "BEGIN { print (x $2) ? \"yes\" : \"**no**\" }"; }
grouped() { sed ':a; s/\B[0-9]\{3\}\>/,&/; ta' <<<"$1"; }
difference() { awk -v a="$1" -v b="$2" -v places="$3" 'BEGIN { printf "%+.*f", places, a - b }'; }
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
# The pause the console has always made before its first event is in its second row; the bare window
# makes none.
k_idle_unpaused=$(awk -v t="$k_idle" 'BEGIN { printf "%.1f", t - 100 }')
# The median of the ratios of the two programs' starts in each round, which ran a second apart: a
# machine busy with other work slows both starts of a round alike. $3: what to take off the console's.
paired() {
  paste -d' ' <(figure KorvaCfg "$1" | tr ',' '\n') <(figure bare_window "$1" | tr ',' '\n') |
    awk -v less="${2:-0}" '{ print ($1 - less) / $2 }' | median | awk '{ printf "%.2f", $1 }'
}

# The steps file has a line a start: "step=ms,peak_kb,dll dll|step=...|". Per step: the median of the
# time it took, of the time since the process was made at its end, and of the peak working set then; the
# DLLs loaded during it in the last start.
steps_table() {
  awk -F'|' '
    { previous = 0
      for (i = 1; i < NF; i++) {
        split($i, mark, "="); split(mark[2], f, ",")
        name[i] = mark[1]; dlls[i] = f[3]; steps = NF - 1
        took[i, NR] = f[1] - previous; at[i, NR] = f[1]; peak[i, NR] = f[2]; previous = f[1]
      } }
    function median(values, n,    sorted, j, k, v) {
      for (j = 1; j <= n; j++) {
        v = values[j]
        for (k = j - 1; k >= 1 && sorted[k] > v; k--) sorted[k + 1] = sorted[k]
        sorted[k + 1] = v
      }
      return n % 2 ? sorted[(n + 1) / 2] : (sorted[n / 2] + sorted[n / 2 + 1]) / 2
    }
    END {
      for (i = 1; i <= steps; i++) {
        for (r = 1; r <= NR; r++) { a[r] = took[i, r]; b[r] = at[i, r]; c[r] = peak[i, r] }
        loaded = dlls[i] == "" ? "" : dlls[i]; gsub(/ /, ", ", loaded)
        printf "| %s | %.1f ms | %.1f ms | %d KiB | %s |\n", name[i], median(a, NR), median(b, NR), median(c, NR), loaded
      } }' "$steps_file"
}

{
  echo "$windows_console_section"
  echo
  echo "Written by \`bash bench/windows_console_bench.sh $runs\` on $(date -u '+%Y-%m-%d %H:%M UTC'): $(nproc) cores, load average"
  echo "$(cut -d' ' -f1-3 /proc/loadavg) at the end, $("${wine[@]}" --version), $(x86_64-w64-mingw32-g++-posix --version | head -n 1), Release, static, stripped."
  echo "Each program is started $runs times, taking turns with the other (every other round the other first, 300 ms apart), by"
  echo "\`window_start_probe.exe\` inside one Wine session on Xvfb (after one uncounted start of each); times are from CreateProcess until a visible"
  echo "top-level window of the process exists, and on until WaitForInputIdle returns, when the program first waits for input;"
  echo "the peak working set is GetProcessMemoryInfo's PeakWorkingSetSize then. Medians. Both programs carry"
  echo "\`app/korvacfg.manifest\` (common controls 6, per-monitor DPI awareness). KorvaCfg shows its window before it opens"
  echo "its socket and makes the 100 ms pause it has always made before its first event; the third row includes both. The"
  echo "rows of each round's ratio set the two starts of a round side by side, which the machine's other work slows alike."
  echo
  echo "| Figure | KorvaCfg.exe | Bare Win32 window, 30 controls (same run) | Ratio | Goal | Met |"
  echo "|---|---|---|---|---|---|"
  echo "| Start-up until the main window is shown | $k_start ms | $b_start ms | $(ratio "$k_start" "$b_start")× | ≤ 1.2× | $(met "$(ratio "$k_start" "$b_start")" '<= 1.2') |"
  echo "| The same, median of each round's ratio | | | $(paired startup_each)× | | |"
  echo "| Start-up until it first waits for input | $k_idle ms | $b_idle ms | $(ratio "$k_idle" "$b_idle")× | | |"
  echo "| The same without the 100 ms pause | $k_idle_unpaused ms | $b_idle ms | $(ratio "$k_idle_unpaused" "$b_idle")× | | |"
  echo "| The same, median of each round's ratio | | | $(paired idle_each 100)× | | |"
  echo "| Peak working set then | $(grouped "$k_peak") KiB | $(grouped "$b_peak") KiB | $(ratio "$k_peak" "$b_peak")× | ≤ 1.2× | $(met "$(ratio "$k_peak" "$b_peak")" '<= 1.2') |"
  echo "| Executable, as the zip and the installer ship it | $(grouped "$k_size") B | $(grouped "$b_size") B | | ≤ 2 MB, no DLL but the system's | $size_met |"
  echo "| DLLs imported | $(imports "$work/console/KorvaCfg.exe") | $(imports "$work/bare/bare_window.exe") | | | |"
  echo
  echo "What each DLL costs on its own: the bare window loading it (LoadLibrary) before it makes its window, against the bare"
  echo "window alone, taking turns in a round of their own. The first are the DLLs KorvaCfg.exe imports beyond the bare"
  echo "window's own (most of them user32 loads anyway); then the four it imported before: ws2_32.dll, now bound at its first"
  echo "Winsock call, once the window is shown (\`app/ws2_32_delayed.def\`), and the three it now loads only when a screen"
  echo "reader first asks (\`console/win32/accessible_names\`). Differences of a few milliseconds are within the noise."
  echo
  echo "| DLL | Start-up until shown | Until it waits for input | Peak working set |"
  echo "|---|---|---|---|"
  alone_start=$(figure bare_window startup_ms "$work/dlls")
  alone_idle=$(figure bare_window idle_ms "$work/dlls")
  alone_peak=$(figure bare_window peak_kb "$work/dlls")
  for dll in "${own_dlls[@]}" "${late_dlls[@]}" "${com_dlls[*]}"; do
    name="bare_window+${dll// /+}"
    echo "| ${dll// /, } | $(difference "$(figure "$name" startup_ms "$work/dlls")" "$alone_start" 1) ms | $(difference "$(figure "$name" idle_ms "$work/dlls")" "$alone_idle" 1) ms | $(difference "$(figure "$name" peak_kb "$work/dlls")" "$alone_peak" 0) KiB |"
  done
  echo
  echo "KorvaCfg's start-up step by step: \`KorvaCfg_steps.exe\`, the same program marking the end of each step"
  echo "(\`app/startup_steps.h\`), started $runs times on its own; times since the process was made (GetProcessTimes), the peak"
  echo "working set at each mark, and the DLLs loaded during the step (the first step: those the program imports and what"
  echo "they import). Medians over the $runs starts; the marks cost a little themselves."
  echo
  echo "| Step | Took | Done at | Peak working set | DLLs loaded |"
  echo "|---|---|---|---|---|"
  steps_table
} >"$work/section"
replace_section "$results" "$windows_console_section" "$work/section"
echo "wrote the \"${windows_console_section#\#\# }\" section of $results" >&2
cat "$work/section"
