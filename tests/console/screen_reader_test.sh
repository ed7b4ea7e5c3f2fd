#!/usr/bin/env bash
# Starts the console (a copy with its own settings) against korva-sim on DEVICE_ADDRESS under Xvfb, with
# an accessibility bus of its own and the system's language set to LOCALE, and has screen_reader_test.py
# read it through AT-SPI in LANGUAGE.
# Usage: screen_reader_test.sh BUILD_FOLDER LOCALE LANGUAGE DEVICE_ADDRESS
set -euo pipefail
build=$1
export LANG=$2 LC_ALL= LC_MESSAGES= LANGUAGE=
language=$3
device=$4
here=$(cd "$(dirname "$0")" && pwd)
for program in Xvfb xdotool dbus-run-session /usr/libexec/at-spi-bus-launcher; do
  command -v "$program" >/dev/null || { echo "missing $program (scripts/test.sh installs it)" >&2; exit 1; }
done
/usr/bin/python3 -c 'import pyatspi' || { echo "missing python3-pyatspi" >&2; exit 1; }

scratch=$(mktemp -d)
started=()
stop_started() {
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  [ -n "${KEEP_SCRATCH:-}" ] || rm -rf "$scratch"
}
trap stop_started EXIT

cp "$build/app/KorvaCfg" "$scratch/"
printf '[Geral]\r\nIP=%s\r\n' "$device" >"$scratch/KorvaCfg.ini"
"$build/tools/sim/korva-sim" --address "$device" >"$scratch/sim.log" 2>&1 &
started+=($!)
# Xvfb picks a free display itself and names it once it accepts connections.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$scratch/display" >"$scratch/xvfb.log" 2>&1 &
started+=($!)
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n 1 "$scratch/display")"

export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$scratch"
dbus-run-session -- bash -c '
  /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
  bus=$!
  "$1/KorvaCfg" >"$1/console.log" 2>&1 &
  console=$!
  status=0
  /usr/bin/python3 "$2/screen_reader_test.py" "$3" "$4" || status=$?
  kill "$console" "$bus" 2>/dev/null
  wait "$console" 2>/dev/null
  exit $status' bash "$scratch" "$here" "$language" "$device"
