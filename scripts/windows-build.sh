#!/usr/bin/env bash
# Cross-builds the Windows programs and their tests into build-windows/ with mingw-w64 (the packages in
# ensure-packages.sh's WINDOWS_PACKAGES) and makes the portable zip and the installer; with --test it
# runs the tests under Wine, the installer's last (which needs the locales ensure-packages.sh's
# INSTALLER_TEST_LOCALES names; scripts/test.sh generates them).
# Usage: scripts/windows-build.sh [--test]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-windows
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
# The console's commissioning test needs a device heard at the address it moves to, which no Windows
# program under Wine can be: korva-sim built for this machine (tests/console/win32/CMakeLists.txt).
native=()
if [ "${1:-}" = "--test" ]; then
  cmake -S . -B "$build/native-sim" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKORVA_BUILD_CONSOLE=OFF \
        -DKORVA_BUILD_EXPORTER=OFF -DKORVA_TESTS=OFF -DKORVA_BENCH=OFF >/dev/null
  cmake --build "$build/native-sim" --target korva-sim
  native=(-DKORVA_NATIVE_SIM="$(pwd)/$build/native-sim/tools/sim/korva-sim")
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DKORVA_WARNINGS_AS_ERRORS=$werror "${native[@]}"
cmake --build "$build"
# The portable zip of the programs and their installer (build-windows/korvacfg-VERSION-windows-x64.zip
# and .exe).
cmake --build "$build" --target package

[ "${1:-}" = "--test" ] || exit 0
. scripts/wine-session.sh
wine_session "$build" || exit 1
stop_wine() { "${wineserver[@]}" -k 2>/dev/null || true; }

# The console's window test and the installer's need an X display for Wine; without one, a virtual
# screen of our own, ended with the run. It comes before the prefix's first start: Wine's desktop
# process, started then, would otherwise live on without a screen and every window test find none.
started=()
trap 'kill "${started[@]}" 2>/dev/null || true' EXIT
use_display

# The first start writes the prefix (some ten seconds on an idle machine); done here, it cannot eat into
# the first test's time-out. A prefix left half-written by an interrupted run is written anew once.
start_prefix() { timeout 300 "${wine[@]}" wineboot -i; }
if ! start_prefix; then
  echo "windows-build.sh: Wine could not start its prefix; writing it anew" >&2
  stop_wine
  rm -rf "$build/wine-prefix"
  if ! start_prefix; then
    echo "windows-build.sh: Wine could not start its prefix $build/wine-prefix: no Windows test ran" >&2
    exit 1
  fi
fi
# The tests start a server of their own, on the display above.
stop_wine

status=0
ctest --test-dir "$build" --output-on-failure || status=$?
bash tests/package/windows_installer_test.sh "$build" || status=$?
# Wine's server lingers for a few seconds after the last program; nothing may outlive the run.
stop_wine
exit $status
