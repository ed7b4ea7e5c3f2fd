#!/usr/bin/env bash
# Takes docs/windows-console.png: KorvaCfg.exe (a copy with its own settings, in a scratch folder) under
# Wine's virtual desktop on Xvfb, against korva-sim.exe on 127.0.0.1, after "lê dados" and
# "lê parâmetros". Builds with scripts/windows-build.sh first.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-windows
bash scripts/windows-build.sh >/dev/null
wine64=$(sed -n 's/^KORVA_WINE64:FILEPATH=//p' "$build/CMakeCache.txt")
export WINEPREFIX="$PWD/$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=

scratch=$(mktemp -d)
cp "$build/app/KorvaCfg.exe" "$scratch/"
printf '[Geral]\r\nIP=127.0.0.1\r\nmsk=255.255.255.0\r\nGW=127.0.0.254\r\n' >"$scratch/KorvaCfg.ini"
started=()
stop_started() {
  "$(dirname "$wine64")/wineserver64" -k 2>/dev/null || true
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap stop_started EXIT

display_file="$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
started+=($!)
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$display_file")"

"$wine64" "$build/tools/sim/korva-sim.exe" --address 127.0.0.1 --form 150 >"$scratch/sim.log" 2>&1 &
started+=($!)
# The virtual desktop draws the window's frame and caption as Windows would; Xvfb has no window manager.
"$wine64" explorer /desktop=korva,1280x800 "$scratch/KorvaCfg.exe" >"$scratch/console.log" 2>&1 &
started+=($!)
sleep 8

# The window sits at left 1280 - 1114 = 166, top 5; points inside its buttons, from the layout table,
# below the caption and border.
origin_x=$((166 + 3)) origin_y=$((5 + 3 + 19))
click() { xdotool mousemove $((origin_x + $1)) $((origin_y + $2)) click 1; sleep 1; }
click 50 27    # btRead
click 370 175  # btRd
xdotool mousemove 1000 700
sleep 1
import -window root -crop 660x232+161+0 +repage docs/windows-console.png
echo "docs/windows-console.png written"
