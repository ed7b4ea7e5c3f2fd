#!/usr/bin/env bash
# Under Wine every loopback socket sends from 127.0.0.1, so a device that moves from one loopback address
# to another would never be heard at the new one. For the Windows console's commissioning test the
# device is this machine's own korva-sim, whose sockets keep their addresses: started before the test
# (start) and ended after it (stop), whatever the test's outcome; its log is printed at the end.
# Usage: native_device.sh start|stop KORVA_SIM STATE_FOLDER ADDRESS_RANGE
set -euo pipefail
action=$1 sim=$2 state=$3 range=$4
mkdir -p "$state"
stop() {
  [ -s "$state/pid" ] || return 0
  local pid
  pid=$(cat "$state/pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  rm -f "$state/pid"
}
case $action in
  start)
    # One left by an interrupted run would hold the addresses.
    stop
    "$sim" --address "$range" --devices 1 --verbose </dev/null >"$state/log" 2>&1 &
    echo $! >"$state/pid"
    for _ in $(seq 50); do
      grep -q "korva-sim answering on" "$state/log" && exit 0
      sleep 0.1
    done
    cat "$state/log" >&2
    stop
    exit 1
    ;;
  stop)
    stop
    cat "$state/log"
    ;;
esac
