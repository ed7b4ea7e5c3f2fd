#!/usr/bin/env bash
# korvactl's bash completion and its man page's SYNOPSIS and OPTIONS as the tree holds them, against what
# korvactl_reference writes from the option rows now; and that completion as bash runs it.
# Usage: reference_current_test.sh KORVACTL_REFERENCE SOURCE_DIR DEVICE_ADDRESS
set -uo pipefail
generator=$1
source=$2
device=$3
written=$(mktemp -d)
trap 'rm -rf "$written"' EXIT
"$generator" "$written/completion" "$source/docs/man/korvactl.1.scd" "$written/korvactl.1.scd" || exit 1

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
for file in packaging/korvactl.bash-completion docs/man/korvactl.1.scd; do
  diff -u "$source/$file" "$written/$(basename "$file" | sed 's/korvactl.bash-//')" ||
    fail "$file is not what the option rows say; cmake --build build --target korvactl_reference_files writes it"
done

library=/usr/share/bash-completion/bash_completion
if [ -r "$library" ]; then
  # shellcheck source=/dev/null
  . "$library"
  # shellcheck source=/dev/null
  . "$written/completion"
  mkdir "$written/files" "$written/files/sites"
  touch "$written/files/site-a.txt" "$written/files/plan.csv" "$written/files/capture.hex"
  cd "$written/files" || exit 1
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
    [ "$got" == "$wanted" ] || fail "[$*] offered '$got', wanted '$wanted'"
  }
  expect "status params watch set reset scan apply decode exporter -h --help --version" korvactl ""
  expect "--timeout --table" korvactl status "$device" --t
  expect "input reply" korvactl scan "${device%.*}.0/24" --order ""
  expect "" korvactl status --timeout ""
  expect "" korvactl watch --interval=1
  expect "sites site-a.txt plan.csv" korvactl status -f ""
  expect "sites site-a.txt plan.csv" korvactl apply --yes ""
  expect "--dry-run --diff" korvactl apply --d
  expect "sites site-a.txt plan.csv capture.hex" korvactl decode --text ""
  expect "" korvactl bogus -
fi
[ $failures -eq 0 ] || exit 1
echo "the completion and the man page are as the option rows say, and the completion completes"
