#!/usr/bin/env bash
# Builds the libFuzzer programs with clang under AddressSanitizer and UndefinedBehaviorSanitizer, writes
# their seed corpus and runs each for FUZZ_SECONDS (default 60). A crash fails the run and leaves its
# input in build-fuzz/artifacts/: copy it into tests/fuzz/regressions/<target>/ once fixed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

seconds=${FUZZ_SECONDS:-60}
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B $build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKORVA_FUZZ=ON -DKORVA_SANITIZE=ON
cmake --build $build --target reply_fuzzer settings_fuzzer write_seed_corpus

rm -rf $build/seeds && $build/tests/fuzz/write_seed_corpus $build/seeds
mkdir -p $build/artifacts
for target in reply settings; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  echo "== ${target}_fuzzer for ${seconds}s"
  status=0
  $build/tests/fuzz/${target}_fuzzer "$corpus" $build/seeds/$target \
    -max_total_time="$seconds" -max_len=70000 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix=$build/artifacts/${target}- > $build/${target}.log 2>&1 || status=$?
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb|SUMMARY)|ERROR|cov:' $build/${target}.log | tail -n 6
  [ "$status" -eq 0 ] || { echo "${target}_fuzzer found a crash (log $build/${target}.log, input in $build/artifacts/)"; exit 1; }
done
