#!/usr/bin/env bash
# Cross-builds the Windows programs and their tests into build-windows/ with mingw-w64, and with
# --test runs the tests under Wine. Usage: scripts/windows-build.sh [--test]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-windows
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DKORVA_WARNINGS_AS_ERRORS=$werror
cmake --build "$build"

[ "${1:-}" = "--test" ] || exit 0
# The tests run under Wine in the build's own prefix. Its first start writes the prefix (some ten
# seconds); done here, once, it cannot eat into the first test's time-out.
wine_env=(env WINEPREFIX="$PWD/$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
wine_folder=$(dirname "$(grep -m1 '^KORVA_WINE64:' "$build/CMakeCache.txt" | cut -d= -f2)")
"${wine_env[@]}" timeout 300 "$wine_folder/wine64" wineboot -i
status=0
ctest --test-dir "$build" --output-on-failure || status=$?
# Wine's server lingers for a few seconds after the last program; nothing may outlive the run.
"${wine_env[@]}" "$wine_folder/wineserver64" -k || true
exit $status
