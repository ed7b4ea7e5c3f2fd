#!/usr/bin/env bash
# Takes the screenshots of the write question, a refused value and a silent device in docs/: the
# console (a copy with its own settings, in a scratch folder) against korva-sim on 127.0.42.20, under
# Xvfb, driven with xdotool. A reset the device never acknowledges ends the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target KorvaCfg korva-sim

scratch=$(mktemp -d)
cp build/app/KorvaCfg "$scratch/"
printf '[Geral]\r\nIP=127.0.42.20\r\nmsk=255.255.255.0\r\nGW=127.0.42.1\r\n' >"$scratch/KorvaCfg.ini"
started=()
stop_started() {
  for pid in "${started[@]}"; do kill -CONT "$pid" 2>/dev/null || true; kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$scratch"
}
trap stop_started EXIT

# A second address, free for the write question to name; the device never acknowledges a reset.
build/tools/sim/korva-sim --address 127.0.42.20-127.0.42.21 --devices 1 --reset-ack-on 99 >"$scratch/sim.log" 2>&1 &
sim=$!
started+=("$sim")
display=99
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >"$scratch/xvfb.log" 2>&1 &
started+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
"$scratch/KorvaCfg" >"$scratch/console.log" 2>&1 &
console=$!
started=("$console" "${started[@]}")
window=$(timeout 10 xdotool search --sync --onlyvisible --pid "$console" --name 'Melk - ' | head -n 1)

# Points inside the window's controls, from its layout.
click() { xdotool mousemove --window "$window" "$1" "$2" click 1; sleep 0.3; }
type_into() { click "$1" "$2"; xdotool key ctrl+a; xdotool type --delay 20 "$3"; }
# The window is placed at left 1280 - 1114, top 5; a message is centred over it.
shot() { import -window root -crop "$2" +repage "$root/docs/$1"; }

click 373 175  # lê parâmetros
sleep 1
type_into 553 41 "127.0.42.21"  # the new address
click 553 130  # altera IP/msk/GW
sleep 0.8
shot write-question.png 700x240+140+0
xdotool key Tab Return  # NÃO
sleep 0.5
type_into 553 71 "255.0.255.0"  # a mask with a hole
click 553 130
sleep 0.8
shot write-refused.png 700x240+140+0
xdotool key Return
sleep 0.5
click 145 27  # aut
sleep 2
kill -STOP "$sim"  # the device falls silent
sleep 2.6
shot no-reply.png 660x210+156+0
echo "Screenshots: docs/write-question.png docs/write-refused.png docs/no-reply.png"
