# Sourced by the benchmark scripts that share bench/results.md: a section is its "## " heading and the
# lines up to the next "## " heading. bench/run.sh writes the file anew and carries over the sections
# that other scripts write (other_scripts_sections); those scripts replace their own section only.
windows_console_section="## Windows console under Wine"
other_scripts_sections=("$windows_console_section")

# The section of file under heading, as it stands (nothing when there is none).
section_of() {
  [ -f "$1" ] || return 0
  awk -v heading="$2" '/^## / { inside = ($0 == heading) } inside' "$1"
}

# Drops the section of file under heading and puts the text of text_file at the end instead.
replace_section() {
  local file=$1 heading=$2 text_file=$3
  awk -v heading="$heading" '/^## / { inside = ($0 == heading) } !inside { lines[++n] = $0 }
    END { while (n > 0 && lines[n] == "") n--; for (i = 1; i <= n; i++) print lines[i] }' "$file" >"$file.new"
  { echo; cat "$text_file"; } >>"$file.new"
  mv "$file.new" "$file"
}
