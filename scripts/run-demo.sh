#!/usr/bin/env bash
# Builds what is missing and runs the console against the simulated device on 127.0.0.1.
#
# With a display: the console opens for you; closing its window stops the simulator too.
# Without one ($DISPLAY unset): both run under Xvfb, automatic mode is switched on with a real mouse
# click, and after a few replies a screenshot of the window is saved (build/screenshot.png, or the
# path given as the first argument: docs/screenshot.png renews the README's picture).
#
# The console reads its settings from KorvaCfg.ini beside the executable; when there is none, one
# pointing at 127.0.0.1 is written. An existing file is never touched.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
screenshot=${1:-build/screenshot.png}

. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${RUN_PACKAGES[@]}"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target KorvaCfg korva-sim

console=build/app/KorvaCfg
settings=build/app/KorvaCfg.ini
if [ ! -e "$settings" ]; then
  printf '[Geral]\r\nIP=127.0.0.1\r\n' >"$settings"
  echo "Wrote $settings (device address 127.0.0.1)"
fi

# The unattended run switches polling on by itself: only ever towards this machine.
device=$(sed -n 's/^[[:space:]]*[Ii][Pp][[:space:]]*=[[:space:]]*\([^[:space:]]*\).*/\1/p' "$settings" | head -n 1)
case "$device" in
  127.*|[Ll][Oo][Cc][Aa][Ll][Hh][Oo][Ss][Tt]) ;;
  *)
    if [ -z "${DISPLAY:-}" ]; then
      echo "$settings points the console at '$device', not at the simulator on this machine;" >&2
      echo "set IP=127.0.0.1 there (or move the file away) to run the demo." >&2
      exit 1
    fi ;;
esac

started=()
stop_started() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${started[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap stop_started EXIT

build/tools/sim/korva-sim --address 127.0.0.1 >build/korva-sim.log 2>&1 &
started+=($!)

if [ -n "${DISPLAY:-}" ]; then
  "$console"
  exit
fi

# A display number nobody uses yet.
display=99
while [ -e "/tmp/.X${display}-lock" ] || [ -e "/tmp/.X11-unix/X${display}" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >build/xvfb.log 2>&1 &
started+=($!)
export DISPLAY=":$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

"$console" >build/korvacfg.log 2>&1 &
console_pid=$!
started+=("$console_pid")

window=$(timeout 10 xdotool search --sync --onlyvisible --pid "$console_pid" --name 'Melk - ' | head -n 1)
if [ -z "$window" ]; then
  echo "The console's window did not appear; see build/korvacfg.log" >&2
  exit 1
fi
echo "Window title: $(xdotool getwindowname "$window")"

# The "aut" indicator: 105,15 81x24 inside the window.
xdotool mousemove --window "$window" 145 27 click 1
sleep 3  # six polling ticks: parameters, then live data

eval "$(xdotool getwindowgeometry --shell "$window")"
mkdir -p "$(dirname "$screenshot")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$screenshot"
echo "Screenshot: $root/$screenshot"
