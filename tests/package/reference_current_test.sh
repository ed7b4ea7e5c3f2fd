#!/usr/bin/env bash
# korvactl's bash completion and its man page's SYNOPSIS and OPTIONS as the tree holds them, against what
# korvactl_reference writes from the option rows now; and the completion a script bash reads.
# Usage: reference_current_test.sh KORVACTL_REFERENCE SOURCE_DIR
set -uo pipefail
generator=$1
source=$2
written=$(mktemp -d)
trap 'rm -rf "$written"' EXIT
"$generator" "$written/completion" "$source/docs/man/korvactl.1.scd" "$written/korvactl.1.scd" || exit 1

failures=0
for file in packaging/korvactl.bash-completion docs/man/korvactl.1.scd; do
  if ! diff -u "$source/$file" "$written/$(basename "$file" | sed 's/korvactl.bash-//')"; then
    echo "FAIL: $file is not what the option rows say; cmake --build build --target korvactl_reference_files writes it"
    failures=$((failures + 1))
  fi
done
bash -n "$written/completion" || failures=$((failures + 1))
[ $failures -eq 0 ] || exit 1
echo "the completion and the man page are as the option rows say"
