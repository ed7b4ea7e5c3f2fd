#!/usr/bin/env bash
# The test suite again under the sanitizers: everything with AddressSanitizer and
# UndefinedBehaviorSanitizer, the threaded parts (endpoint, console, tools) with ThreadSanitizer.
# Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp"

echo "== AddressSanitizer + UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVA_SANITIZE=ON -DKORVA_BUILD_CONSOLE=ON
cmake --build build-asan
ctest --test-dir build-asan --output-on-failure

echo "== ThreadSanitizer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVA_TSAN=ON -DKORVA_BUILD_CONSOLE=ON
cmake --build build-tsan
# FloodedWatch and the console's foreign flood count how many of a device's replies get through a flood
# at full loopback speed, which measures how fast the receiving thread reads: whatever it leaves in
# the socket, the kernel drops, device replies among them. Under ThreadSanitizer it reads several
# times slower and the counts say more about the sanitizer than about the code (a watch got 20 of 24
# rounds through in one CI run, 22 or more in the others; the console showed 18 of 20 replies where
# 19 are asked for, with 9 % of the flood dropped by the kernel). The plain and AddressSanitizer runs
# keep both; the other flood tests still run here.
GTEST_FILTER=-FloodedWatch.*:FloodTest.AForeignFloodLetsTheDeviceThrough \
  ctest --test-dir build-tsan --output-on-failure -R "${TSAN_TESTS:-transport|korvacfg|nrm01|fault|signal|sim|korvactl}"
