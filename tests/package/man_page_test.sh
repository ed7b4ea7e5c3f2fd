#!/usr/bin/env bash
# korvactl's man page against what the program says it takes: each command has its synopsis line and
# its entry under COMMANDS, and each option a command takes is in that synopsis line and under OPTIONS.
# Usage: man_page_test.sh KORVACTL MAN_PAGE_SOURCE (scdoc)
set -uo pipefail
korvactl=$1
page=$2
# shellcheck source=tests/package/korvactl_help.sh
. "$(dirname "$0")/korvactl_help.sh"

# section NAME: the lines of the page's section "# NAME"
section() {
  awk -v wanted="# $1" '/^# / {inside = ($0 == wanted); next} inside' "$page"
}
synopsis=$(section SYNOPSIS)
described=$(section COMMANDS)
options=$(section OPTIONS)

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
commands=$(korvactl_commands)
[ -n "$commands" ] || fail "korvactl --help lists no command"
for command in $commands; do
  # "*korvactl* *status*|*params*|*reset* [...]": the line of each command it names
  line=$(grep -E "^\*korvactl\* (\*[a-z]+\*\|)*\*$command\*[ |]" <<<"$synopsis")
  [ -n "$line" ] || fail "SYNOPSIS has no line for $command"
  grep -q "^\*$command\*" <<<"$described" || fail "COMMANDS does not describe $command"
  for option in $(korvactl_options "$command" | cut -d' ' -f1); do
    grep -qF -- "*$option*" <<<"$line" || fail "the SYNOPSIS line of $command lacks $option"
    grep -qF -- "*$option*" <<<"$options" || fail "OPTIONS does not describe $option ($command takes it)"
  done
done
[ $failures -eq 0 ] || exit 1
echo "the man page names every command and option korvactl takes"
