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
targets=(reply settings korvactl_inputs console_core apply_plan)
cmake --build $build --target "${targets[@]/%/_fuzzer}" write_seed_corpus

# The longest input each target is given. reply: the endpoint drops datagrams over 8,192 bytes whole, so
# longer inputs only cost time. settings: a file on disk has no such limit and the seeds hold 64 KiB
# lines. korvactl_inputs: argument and device lists a person writes; 4,096 bytes hold dozens of lines,
# and the values the target builds itself come from the first 96 bytes. console_core: a run of actions,
# each datagram at most 255 bytes; 4,096 bytes hold hundreds of actions. apply_plan: five bytes of fleet
# and faults and eight rows of four; the rest is never read.
declare -A max_len=([reply]=8192 [settings]=70000 [korvactl_inputs]=4096 [console_core]=4096 [apply_plan]=37)

rm -rf $build/seeds && $build/tests/fuzz/write_seed_corpus $build/seeds
mkdir -p $build/artifacts
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  echo "== ${target}_fuzzer for ${seconds}s"
  status=0
  $build/tests/fuzz/${target}_fuzzer "$corpus" $build/seeds/$target \
    -max_total_time="$seconds" -max_len="${max_len[$target]}" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix=$build/artifacts/${target}- > $build/${target}.log 2>&1 || status=$?
  grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb|SUMMARY)|ERROR|cov:' $build/${target}.log | tail -n 6
  [ "$status" -eq 0 ] || { echo "${target}_fuzzer found a crash (log $build/${target}.log, input in $build/artifacts/)"; exit 1; }
done
