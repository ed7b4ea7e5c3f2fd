#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the suite itself, then the Windows
# build's tests under Wine, then the fuzzers for a bounded time, then the suite under the sanitizers.
# KORVA_QUICK=1 runs the suite alone.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/ensure-packages.sh
ensure_packages "${BUILD_PACKAGES[@]}"
ensure_packages "${ACCESSIBILITY_PACKAGES[@]}"
# Without them the Wireshark dissector's test skips: CI must not.
ensure_packages "${CAPTURE_PACKAGES[@]}"
# The package test builds, checks and installs the Debian package with these.
ensure_packages "${PACKAGE_TEST_PACKAGES[@]}"
# Without it the exporter's Prometheus tests skip. The package's own server, where an init system has
# started it, listens on every interface: the tests start theirs on loopback, so it is stopped.
ensure_packages "${MONITORING_PACKAGES[@]}"
if command -v systemctl >/dev/null && systemctl is-active --quiet prometheus 2>/dev/null; then
  systemctl disable --now prometheus
fi

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVA_WARNINGS_AS_ERRORS=$werror
cmake --build build
ctest --test-dir build --output-on-failure

[ "${KORVA_QUICK:-0}" = "1" ] && exit 0
# The Windows build of the tools and their tests, run under Wine.
ensure_packages "${WINDOWS_PACKAGES[@]}"
ensure_locales "${INSTALLER_TEST_LOCALES[@]}"
bash scripts/windows-build.sh --test
bash scripts/fuzz.sh
bash scripts/sanitize.sh
