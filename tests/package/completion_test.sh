#!/usr/bin/env bash
# What Tab offers after `korvactl`: the commands, each command's own options, list and plan files
# after -f and for apply, any file for decode, and nothing where the user must type a value of their own.
# Usage: completion_test.sh COMPLETION_SCRIPT
set -uo pipefail
completion=$1
library=/usr/share/bash-completion/bash_completion
if [ ! -r "$library" ]; then
  echo "SKIP: bash-completion is not installed (scripts/ensure-packages.sh lists it)"
  exit 77
fi
# shellcheck source=/dev/null
. "$library"
# shellcheck source=/dev/null
. "$completion"

files=$(mktemp -d)
trap 'rm -rf "$files"' EXIT
mkdir "$files/sites"
touch "$files/site-a.txt" "$files/site-b.txt" "$files/plan.csv" "$files/capture.hex"
cd "$files" || exit 1

failures=0
# expect "WORD..." -- the command line up to the cursor, the last word being completed
expect() {
  local wanted=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMP_LINE="${COMP_WORDS[*]}"
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _korvactl korvactl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
  wanted=$(tr ' ' '\n' <<<"$wanted" | sort | xargs)
  if [ "$got" != "$wanted" ]; then
    echo "FAIL: [$*] offered '$got', wanted '$wanted'"
    failures=$((failures + 1))
  fi
}

# the commands
expect "status params watch set reset scan apply decode exporter --help -h --version" korvactl ""
expect "status set scan" korvactl s
expect "--help --version" korvactl --
# each command's own options, nothing another command takes
sweep="-f --timeout --retries --json --table --csv --order --progress --no-progress"
expect "$sweep" korvactl status ""
expect "$sweep" korvactl params 192.168.0.250 -
expect "--timeout --table" korvactl reset --t
expect "--progress" korvactl reset --pr
expect "-f --interval --count --json --table --csv" korvactl watch -
expect "--ip --mask --gateway --yes --force --timeout --retries --json --table --csv" korvactl set 192.168.0.250 --
expect "--text" korvactl decode -
expect "--listen -f --timeout" korvactl exporter -
expect "--rate --force --timeout --json --table --csv --order --progress --no-progress" korvactl scan -
expect "--dry-run --diff --yes --force --reset-interval --timeout --retries --json --table --csv --progress --no-progress" \
  korvactl apply -
expect "--dry-run --diff" korvactl apply plan.csv --d
# the order's two values
expect "input reply" korvactl status -f site-a.txt --order ""
expect "reply" korvactl scan 10.0.0.0/24 --order r
expect "" korvactl bogus -
# files where a file is named
# device lists and plans: folders and .txt or .csv files; a capture for decode may be any file
expect "sites site-a.txt site-b.txt plan.csv" korvactl status -f ""
expect "site-a.txt" korvactl watch --table -f site-a
expect "sites site-a.txt site-b.txt plan.csv capture.hex" korvactl decode --text ""
expect "sites site-a.txt site-b.txt plan.csv" korvactl apply --yes ""
# values of the user's own
expect "" korvactl status --timeout ""
expect "" korvactl exporter --listen ""
expect "" korvactl scan 10.0.0.0/24 --rate ""
expect "" korvactl watch --interval=1
expect "" korvactl set 192.168.0.250 --ip 192.168.0.
expect "" korvactl status 192.168.0.
expect "" korvactl status --table=

[ $failures -eq 0 ] || exit 1
echo "all completions as wanted"
