#!/usr/bin/env bash
# The sections of bench/results.md that one benchmark script owns: replacing one leaves every other line
# as it was, a second replacement gives the same file, and the section read back is the one written.
# Usage: results_section_test.sh RESULTS_SECTION_SH
set -uo pipefail
# shellcheck source=/dev/null
. "$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

heading=$windows_console_section
printf '%s\n\nfigures 1\n' "$heading" >"$scratch/new"
# case @ results.md before @ results.md after the new section replaced the old one
cases=(
  "no section yet@# Results\n\nx\n\n## Details\n\nmore\n@# Results\n\nx\n\n## Details\n\nmore\n\n$heading\n\nfigures 1\n"
  "an old section last@# Results\n\n## Details\n\nmore\n\n$heading\n\nfigures 0\n@# Results\n\n## Details\n\nmore\n\n$heading\n\nfigures 1\n"
  "an old section between others@# Results\n\n$heading\n\nfigures 0\n\n## Details\n\nmore\n@# Results\n\n## Details\n\nmore\n\n$heading\n\nfigures 1\n"
  "a heading that only begins alike@# Results\n\n$heading, by hand\n\nkept\n@# Results\n\n$heading, by hand\n\nkept\n\n$heading\n\nfigures 1\n"
)
for case in "${cases[@]}"; do
  IFS='@' read -r name before after <<<"$case"
  printf '%b' "$before" >"$scratch/results.md"
  replace_section "$scratch/results.md" "$heading" "$scratch/new"
  [ "$(cat "$scratch/results.md")" = "$(printf '%b' "$after")" ] ||
    fail "$name: got $(cat -A "$scratch/results.md")"
  cp "$scratch/results.md" "$scratch/once"
  replace_section "$scratch/results.md" "$heading" "$scratch/new"
  cmp -s "$scratch/once" "$scratch/results.md" || fail "$name: a second replacement changed the file"
  [ "$(section_of "$scratch/results.md" "$heading")" = "$(cat "$scratch/new")" ] ||
    fail "$name: the section read back is: $(section_of "$scratch/results.md" "$heading")"
done
[ -z "$(section_of "$scratch/missing.md" "$heading")" ] || fail "a missing file has a section"

[ $failures -eq 0 ] && echo "PASS: ${#cases[@]} cases"
exit $((failures > 0))
