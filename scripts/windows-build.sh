#!/usr/bin/env bash
# Cross-builds the Windows programs and their tests into build-windows/ with mingw-w64 (the packages in
# ensure-packages.sh's WINDOWS_PACKAGES) and makes the portable zip; with --test it runs the tests under
# Wine.
# Usage: scripts/windows-build.sh [--test]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build-windows
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DKORVA_WARNINGS_AS_ERRORS=$werror
cmake --build "$build"
# The portable zip of the programs (build-windows/korvacfg-VERSION-windows-x64.zip).
cmake --build "$build" --target package

[ "${1:-}" = "--test" ] || exit 0
wine64=$(sed -n 's/^KORVA_WINE64:FILEPATH=//p' "$build/CMakeCache.txt")
if [ ! -x "$wine64" ]; then
  echo "windows-build.sh: wine64 was not found (the wine64 package installs it in /usr/lib/wine)" >&2
  exit 1
fi
wine_env=(env WINEPREFIX="$PWD/$build/wine-prefix" WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=)
stop_wine() { "${wine_env[@]}" "$(dirname "$wine64")/wineserver64" -k 2>/dev/null || true; }

# The first start writes the prefix (some ten seconds on an idle machine); done here, it cannot eat into
# the first test's time-out. A prefix left half-written by an interrupted run is written anew once.
start_prefix() { "${wine_env[@]}" timeout 300 "$wine64" wineboot -i; }
if ! start_prefix; then
  echo "windows-build.sh: Wine could not start its prefix; writing it anew" >&2
  stop_wine
  rm -rf "$build/wine-prefix"
  if ! start_prefix; then
    echo "windows-build.sh: Wine could not start its prefix $build/wine-prefix: no Windows test ran" >&2
    exit 1
  fi
fi
# The console's window test needs an X display for Wine; without one, a virtual screen of our own, on the
# first free display number (-displayfd says which), ended with the run.
xvfb_pid=
if [ -z "${DISPLAY:-}" ]; then
  if ! command -v Xvfb >/dev/null; then
    echo "windows-build.sh: no DISPLAY and no Xvfb (package xvfb): the console's window test cannot run" >&2
    exit 1
  fi
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
  done
  export DISPLAY=":$(cat "$display_file")"
  rm -f "$display_file"
fi
stop_xvfb() { [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true; }
trap stop_xvfb EXIT

status=0
ctest --test-dir "$build" --output-on-failure || status=$?
# Wine's server lingers for a few seconds after the last program; nothing may outlive the run.
stop_wine
exit $status
