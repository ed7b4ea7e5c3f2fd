#!/usr/bin/env bash
# What Tab offers after `korvactl`, against what the program says it takes: the commands its usage lists,
# each command's options as its --help lists them, the words a value is chosen from, and nothing where the
# user must type a value of their own; list and plan files after -f and for apply, any file for decode.
# Usage: completion_test.sh KORVACTL COMPLETION_SCRIPT
set -uo pipefail
korvactl=$1
completion=$2
library=/usr/share/bash-completion/bash_completion
if [ ! -r "$library" ]; then
  echo "SKIP: bash-completion is not installed (scripts/ensure-packages.sh lists it)"
  exit 77
fi
# shellcheck source=/dev/null
. "$library"
# shellcheck source=/dev/null
. "$completion"
# shellcheck source=tests/package/korvactl_help.sh
. "$(dirname "$0")/korvactl_help.sh"

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
# starting PREFIX WORD...: the words that start with PREFIX
starting() {
  local prefix=$1
  shift
  printf '%s\n' "$@" | grep -- "^$prefix" | xargs
}

# shellcheck disable=SC2207
commands=($(korvactl_commands))
[ ${#commands[@]} -gt 0 ] || { echo "FAIL: korvactl --help lists no command"; exit 1; }
expect "${commands[*]} --help -h --version" korvactl ""
expect "$(starting s "${commands[@]}")" korvactl s
expect "--help --version" korvactl --
for command in "${commands[@]}"; do
  options=$(korvactl_options "$command")
  # shellcheck disable=SC2207
  names=($(cut -d' ' -f1 <<<"$options"))
  [ ${#names[@]} -gt 0 ] || echo "FAIL: korvactl $command --help lists no option"
  expect "${names[*]}" korvactl "$command" -
  expect "$(starting --t "${names[@]}")" korvactl "$command" 127.0.61.1 --t
  while read -r name value; do
    case $value in
      '' | FILE) ;;  # a flag; files are below
      *'|'*) expect "${value//|/ }" korvactl "$command" "$name" "" ;;
      *) expect "" korvactl "$command" "$name" "" ;;
    esac
  done <<<"$options"
done
expect "" korvactl bogus -
expect "reply" korvactl scan 10.0.0.0/24 --order r
# files where a file is named
# device lists and plans: folders and .txt or .csv files; a capture for decode may be any file
expect "sites site-a.txt site-b.txt plan.csv" korvactl status -f ""
expect "site-a.txt" korvactl watch --table -f site-a
expect "sites site-a.txt site-b.txt plan.csv capture.hex" korvactl decode --text ""
expect "sites site-a.txt site-b.txt plan.csv" korvactl apply --yes ""
# values of the user's own, in either form
expect "" korvactl watch --interval=1
expect "" korvactl set 127.0.61.1 --ip 127.0.61.
expect "" korvactl status 127.0.61.
expect "" korvactl status --table=

[ $failures -eq 0 ] || exit 1
echo "all completions as wanted"
