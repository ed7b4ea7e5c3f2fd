#!/usr/bin/env bash
# Takes the screenshots of a device followed through its reset in docs/: the console (a copy with its own
# settings, in a scratch folder) writes 127.0.42.41 to korva-sim's device at 127.0.42.40, resets it and
# follows it there, under Xvfb, driven with xdotool. docs/reset-confirmed.png is the message,
# docs/device-followed.png the window afterwards, the written values read back at the new address.
# With --windows the same with KorvaCfg.exe under Wine's virtual desktop (docs/windows-reset-confirmed.png,
# docs/windows-device-followed.png). The device is this machine's own korva-sim in both: under Wine every
# loopback socket sends from 127.0.0.1, and the moved device would never be heard.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
windows=0
[ "${1:-}" = "--windows" ] && windows=1
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target KorvaCfg korva-sim
if [ $windows = 1 ]; then
  bash scripts/windows-build.sh >/dev/null
  . scripts/wine-session.sh
  wine_session build-windows
fi

scratch=$(mktemp -d)
printf '[Geral]\r\nIP=127.0.42.40\r\nmsk=255.255.255.0\r\nGW=127.0.42.254\r\n' >"$scratch/KorvaCfg.ini"
started=()
stop_started() {
  [ $windows = 1 ] && "${wineserver[@]}" -k 2>/dev/null
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap stop_started EXIT

build/tools/sim/korva-sim --address 127.0.42.40-127.0.42.41 --devices 1 >"$scratch/sim.log" 2>&1 &
started+=($!)
display_file="$scratch/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
started+=($!)
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$display_file")"

# The window sits at left 1280 - 1114 = 166, top 5; points inside its controls, from the layout table.
if [ $windows = 1 ]; then
  cp build-windows/app/KorvaCfg.exe "$scratch/"
  # The virtual desktop draws the window's frame and caption as Windows would; Xvfb has no window manager.
  "${wine[@]}" explorer /desktop=korva,1280x800 "$scratch/KorvaCfg.exe" >"$scratch/console.log" 2>&1 &
  started+=($!)
  sleep 8
  origin_x=$((166 + 3)) origin_y=$((5 + 3 + 19))
  prefix=windows-
  crop=660x232+161+0
  message_crop=700x260+141+0
else
  cp build/app/KorvaCfg "$scratch/"
  "$scratch/KorvaCfg" >"$scratch/console.log" 2>&1 &
  started+=($!)
  timeout 10 xdotool search --sync --onlyvisible --name 'Melk - ' >/dev/null
  origin_x=166 origin_y=5
  prefix=
  crop=660x210+156+0
  message_crop=700x240+140+0
fi
click() { xdotool mousemove $((origin_x + $1)) $((origin_y + $2)) click 1; sleep 0.5; }
type_into() { click "$1" "$2"; xdotool key ctrl+a; xdotool type --delay 20 "$3"; }
# The message is centred over the window and taller than it.
shot() { xdotool mousemove 1000 700; sleep 0.3; import -window root -crop "${2:-$crop}" +repage "$root/docs/$prefix$1"; }

type_into 553 41 "127.0.42.41"  # the new address
click 553 130                   # altera IP/msk/GW
sleep 1
xdotool key Return              # SIM
sleep 1.5
xdotool key Return              # OK to korva-sim's notice of parameters held for its restart
sleep 0.5
click 145 27                    # aut
sleep 2
click 53 147                    # reset
sleep 1.5
shot reset-confirmed.png "$message_crop"
xdotool key Return              # OK
sleep 2
shot device-followed.png
echo "Screenshots: docs/${prefix}reset-confirmed.png docs/${prefix}device-followed.png"
