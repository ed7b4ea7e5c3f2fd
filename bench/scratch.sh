# Sourced by the benchmark scripts: a scratch folder $work and the programs they start in the
# background (their process ids in $started), both gone when the script ends, however it ends; and the
# small readers of the figures.
work=$(mktemp -d)
started=()
cleanup() {
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${started[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# The value of key in a file of "key value" lines.
value() { awk -v key="$2" '$1 == key { print $2 }' "$1"; }
# The median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
