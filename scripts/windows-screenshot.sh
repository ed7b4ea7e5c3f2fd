#!/usr/bin/env bash
# Takes docs/windows-console.png: KorvaCfg.exe (a copy with its own settings, in a scratch folder) under
# Wine's virtual desktop on Xvfb, against korva-sim.exe on 127.0.0.1, after "lê dados" and
# "lê parâmetros". With a DPI (144 is Windows' 150 %), on a screen of that many dots per inch (Wine's
# LogPixels) into docs/windows-console-DPIdpi.png. With a language other than pt (en), the window speaks
# it (--lang) and the picture's name ends in -LANGUAGE. Builds with scripts/windows-build.sh first.
# Usage: scripts/windows-screenshot.sh [DPI] [LANGUAGE]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-windows
dpi=${1:-96}
language=${2:-pt}
picture=docs/windows-console
[ "$dpi" = 96 ] || picture=$picture-${dpi}dpi
[ "$language" = pt ] || picture=$picture-$language
picture=$picture.png
bash scripts/windows-build.sh >/dev/null
wine64=$(sed -n 's/^KORVA_WINE64:FILEPATH=//p' "$build/CMakeCache.txt")
export WINEPREFIX="$PWD/$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=

scratch=$(mktemp -d)
cp "$build/app/KorvaCfg.exe" "$scratch/"
printf '[Geral]\r\nIP=127.0.0.1\r\nmsk=255.255.255.0\r\nGW=127.0.0.254\r\n' >"$scratch/KorvaCfg.ini"
started=()
desktop_key='HKCU\Control Panel\Desktop'
stop_started() {
  "$wine64" reg delete "$desktop_key" /v LogPixels /f >/dev/null 2>&1 || true
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

"$wine64" reg add "$desktop_key" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
"$wine64" "$build/tools/sim/korva-sim.exe" --address 127.0.0.1 --form 150 >"$scratch/sim.log" 2>&1 &
started+=($!)
# The virtual desktop draws the window's frame and caption as Windows would; Xvfb has no window manager.
"$wine64" explorer /desktop=korva,1280x800 "$scratch/KorvaCfg.exe" --lang "$language" >"$scratch/console.log" 2>&1 &
started+=($!)
sleep 8

# Design pixels to screen pixels, as the window scales them.
scaled() { echo $((($1 * dpi + 48) / 96)); }
# The window sits at left 1280 - 1114 = 166 design pixels on a screen 1280 wide at 96 DPI (at 5 when the
# screen is narrower than 1114 design pixels), top 5; points inside its buttons, from the layout table,
# below the caption and border, which Wine scales too.
left=$(((1280 * 96 / dpi) - 1114))
[ "$left" -ge 0 ] || left=5
origin_x=$(($(scaled "$left") + $(scaled 3))) origin_y=$(($(scaled 5) + $(scaled 22)))
click() { xdotool mousemove $((origin_x + $(scaled "$1"))) $((origin_y + $(scaled "$2"))) click 1; sleep 1; }
click 50 27    # btRead
click 370 175  # btRd
xdotool mousemove 1270 790
sleep 1
import -window root -crop "$(scaled 660)x$(scaled 232)+$(($(scaled "$left") - $(scaled 5)))+0" +repage "PNG8:$picture"
echo "$picture written"
