#!/usr/bin/env bash
# korvactl over many simulated devices, each figure against sweep_floor on the same simulator sockets in
# the same run; prints "key value" lines (status: medians of 3 runs; the search: one run, as each takes
# some 20 s here, nearly all of it the kernel answering requests to free loopback addresses). Loopback only: 10,000 devices on
# 127.1.0.0-127.1.39.15 for the status sweep, 10,000 on 127.2.0.0-127.2.39.15 for the search of
# 127.2.0.0/16.
#
#   bash bench/fleet.sh BUILD-DIR      (korva-sim, korvactl and bench/sweep_floor built there)
set -euo pipefail
build=$1
. "$(dirname "$0")/scratch.sh"

now() { date +%s.%N; }

# Starts korva-sim on a range and waits until it answers.
simulate() {
  "$build/tools/sim/korva-sim" --address "$1" >"$work/sim-$2.log" 2>&1 &
  started+=($!)
  for _ in $(seq 100); do grep -q answering "$work/sim-$2.log" && return 0; sleep 0.05; done
  echo "korva-sim on $1 did not start" >&2
  exit 1
}

simulate 127.1.0.0-127.1.39.15 status
simulate 127.2.0.0-127.2.39.15 scan
awk 'BEGIN { for (i = 0; i < 10000; i++) printf "127.1.%d.%d\n", int(i / 256), i % 256 }' >"$work/devices"

timeout=200  # ms, the scan's wait after each request and the floor's quiet time
for run in 1 2 3; do
  "$build/bench/sweep_floor" --range 127.1.0.0-127.1.39.15 --request status >"$work/floor-status-$run"
  start=$(now)
  "$build/tools/korvactl/korvactl" status -f "$work/devices" >"$work/status-$run.out" 2>"$work/status-$run.err" || true
  end=$(now)
  answered=$(grep -c '"keyword":"SND"' "$work/status-$run.out" || true)
  awk -v n="$answered" -v a="$start" -v b="$end" 'BEGIN { printf "%.0f %d %.4f\n", n / (b - a), n, b - a }' \
    >"$work/status-$run"
done


"$build/bench/sweep_floor" --range 127.2.0.0/16 --request params --quiet-ms "$timeout" >"$work/floor-scan"
start=$(now)
"$build/tools/korvactl/korvactl" scan 127.2.0.0/16 --rate 0 --timeout "${timeout}ms" >"$work/scan.out" \
  2>"$work/scan.err" || true
end=$(now)
found=$(wc -l <"$work/scan.out")
# The search ends a time-out after its last request; that wait is not search work.
awk -v n=65536 -v f="$found" -v a="$start" -v b="$end" -v t="$timeout" \
  'BEGIN { s = b - a - t / 1000; printf "%.0f %d %.4f\n", n / s, f, s }' >"$work/scan"

col() { for run in 1 2 3; do awk -v c="$2" '{ print $c }' "$work/$1-$run"; done | median; }
floor() { for run in 1 2 3; do value "$work/floor-$1-$run" "$2"; done | median; }
scan() { awk -v c="$1" '{ print $c }' "$work/scan"; }
echo "status_per_s $(col status 1)"
echo "status_answered $(col status 2)"
echo "status_s $(col status 3)"
echo "status_floor_per_s $(floor status answered_per_s)"
echo "status_floor_answered $(floor status answered)"
echo "scan_per_s $(scan 1)"
echo "scan_found $(scan 2)"
echo "scan_s $(scan 3)"
echo "scan_floor_per_s $(value "$work/floor-scan" asked_per_s)"
echo "scan_floor_answered $(value "$work/floor-scan" answered)"
