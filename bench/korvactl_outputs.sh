#!/usr/bin/env bash
# Records what korvactl prints for each command, its usage and each command's help, its refusals, and a
# run of every command in each output form against korva-sim, with the exit status of each and the
# times masked: two builds' records compared with diff show every byte a change altered.
#
#   bash bench/korvactl_outputs.sh KORVACTL KORVA_SIM RECORD
#
# Everything goes to loopback: the simulated devices answer on 127.0.61.1-2 (127.0.61.3-4 are free for
# new addresses) on the device port, and the exporter listens on 127.0.61.1:20961 for a second. One run
# takes some fifteen seconds; the simulator's seed makes its readings the same from run to run.
set -u
korvactl=$(realpath "$1")
sim=$(realpath "$2")
record=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
printf '127.0.61.1\n# comment\n127.0.61.2\n' >list.txt
printf '%s\n' address,new_address,mask,gateway 127.0.61.1,127.0.61.3,255.255.255.0,127.0.61.1 \
  127.0.61.2,127.0.61.2,255.255.255.0,127.0.61.1 >plan.csv
printf '%s\n' 127.0.61.1,127.0.61.1,255.255.255.0,127.0.61.99 127.0.61.1,127.0.61.4,255.255.255.0,127.0.61.1 \
  >refused-plan.csv
printf '%s\n' 0100,SND,0,25,60,244,1,0,1,123 0100,RPR,0,10.0.0.5,255.255.255.0,10.0.0.1,00:1A:AB:00:3D:01 \
  'not a reply' >text.txt
printf '%s\n' '30 31 30 30 2c 53 4e 44' zz '' 303130302c5250522c30 >hex.txt

simulator=
# start_simulator [OPTIONS...]: a fresh simulator, the devices' state as it starts
start_simulator() {
  stop_simulator
  "$sim" --address 127.0.61.1-127.0.61.4 --devices 2 --seed 7 "$@" >/dev/null 2>&1 &
  simulator=$!
  sleep 0.3
}
stop_simulator() {
  [ -z "$simulator" ] || { kill "$simulator"; wait "$simulator" 2>/dev/null; }
  simulator=
}
# run ARGUMENTS...: one case, its status and both streams
run() {
  echo "=== $*"
  "$korvactl" "$@" >out 2>err </dev/null
  echo "rc=$?"
  echo "--- out"
  cat out
  echo "--- err"
  cat err
}
mask_times() {
  sed -E -e 's/[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9:.]+Z/<TIME>/g' -e 's/\b[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}\b/<CLOCK>/g'
}

{
  run
  run --help
  run -h
  run --version
  run bogus
  run bogus --help
  for command in status params watch set reset scan apply decode exporter; do
    run "$command" --x
    run "$command" --help
    run "$command" -h
  done
  # refusals, before anything is sent
  run status
  run status --timeout 0
  run status --timeout=
  run status --retries 101 127.0.61.1
  run status --order sideways
  run status --json=1
  run status -f
  run status -f missing.txt
  run set 127.0.61.1 127.0.61.2 --ip 127.0.61.9
  run set 127.0.61.1 --ip 127.0.61.1 --mask 255.0.255.0 --gateway 127.0.61.1
  run set 127.0.61.1 --ip 127.0.61.1 --mask 255.255.255.0 --gateway 127.0.61.1
  run scan --rate 0.01 127.0.61.0/30
  run scan 127.0.0.0/8
  run scan
  run apply
  run apply missing.csv
  run apply refused-plan.csv --yes
  run watch --count 0 127.0.61.1
  run exporter
  run exporter --listen nowhere
  run exporter --listen 127.0.61.1:99999
  run decode missing.hex
  run decode --text text.txt
  run decode hex.txt
  run decode -

  start_simulator
  for format in --json --table --csv; do
    run status 127.0.61.1 127.0.61.2 127.0.61.3 --timeout 200ms --retries 1 "$format"
    run params -f list.txt 127.0.61.4 --timeout 200ms --retries 0 "$format"
    run status 127.0.61.2 127.0.61.1 --order reply --no-progress "$format"
    run watch 127.0.61.1 --count 3 --interval 100ms "$format"
    run scan 127.0.61.0/29 --timeout 300ms --rate 0 "$format"
    run scan 127.0.61.1-127.0.61.2 127.0.61.2 --timeout 300ms "$format"
    run apply plan.csv --dry-run --timeout 200ms "$format"
    run apply refused-plan.csv --dry-run --timeout 200ms "$format"
  done
  run status 'no such host' 127.0.61.1 --timeout 200ms
  run params 127.0.61.1 --progress --timeout 200ms
  run reset 127.0.61.1 127.0.61.3 --timeout 200ms --retries 0
  run set 127.0.61.2 --ip 127.0.61.4 --mask 255.255.255.0 --gateway 127.0.61.1
  run set 127.0.61.2 --ip 127.0.61.4 --mask 255.255.255.0 --gateway 127.0.61.1 --yes --timeout 300ms --table

  start_simulator
  run apply plan.csv --timeout 300ms --reset-interval 100ms
  run apply plan.csv --timeout 300ms --reset-interval 100ms --yes --csv
  run apply plan.csv --timeout 300ms --reset-interval 100ms --yes
  echo "=== exporter for a second"
  timeout -s INT 1 "$korvactl" exporter --listen 127.0.61.1:20961 127.0.61.1 2>&1
  echo "rc=$?"

  start_simulator --reset-ack-on 3
  run reset 127.0.61.1 127.0.61.2 --table
  stop_simulator
} 2>&1 | mask_times >"$record"
