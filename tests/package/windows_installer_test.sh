#!/usr/bin/env bash
# The Windows installer as a technician runs it, under Wine in the build's own prefix: installed silently
# (/S) per machine, its programs in Program Files and working there, its Start-menu entries and its
# Add/Remove programs entry in place; the installed console keeps its settings in %APPDATA% when it may
# not write beside itself; then the uninstaller (/S) leaves nothing of it behind. Nothing here sends a
# datagram: the console's settings name only 127.0.0.186, and nothing is clicked.
# Usage: windows_installer_test.sh BUILD_DIR   (after `cmake --build BUILD_DIR --target package`)
set -euo pipefail
build=$(cd "$1" && pwd)

installers=("$build"/korvacfg-*-windows-x64.exe)
if [ ${#installers[@]} -ne 1 ] || [ ! -f "${installers[0]}" ]; then
  echo "FAIL: expected one installer in $build, found: ${installers[*]}" >&2
  exit 1
fi
installer=${installers[0]}
prefix=$build/wine-prefix
program_files="$prefix/drive_c/Program Files/KorvaCfg"
. "$(dirname "$0")/../../scripts/wine-session.sh"
wine_session "$build"
started=()
cleanup() {
  "${wineserver[@]}" -k 2>/dev/null || true
  chattr -i "$program_files" 2>/dev/null || true
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
# An installer is a window program, silent or not.
use_display

start_menu="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/KorvaCfg"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvaCfg'
# The installer puts in place what the portable zip holds, and its uninstaller; the console has a
# Start-menu entry where the build has it.
mapfile -t expected_files < <(unzip -Z1 "${installer%.exe}.zip" | sed 's|^[^/]*/||; /^$/d; /\/$/d')
expected_files+=(Uninstall.exe)
expected_links=(Uninstall.lnk)
if printf '%s\n' "${expected_files[@]}" | grep -qx KorvaCfg.exe; then
  expected_links+=(KorvaCfg.lnk)
fi

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# The names in a folder, one a line, sorted.
listing() { (cd "$1" && find . -mindepth 1 -printf '%P\n' | sort); }
wanted() { printf '%s\n' "$@" | sort; }

if [ -e "$program_files" ] || [ -e "$start_menu" ]; then
  echo "FAIL: the prefix already holds an installation; remove $prefix" >&2
  exit 1
fi

"${wine[@]}" "$installer" /S
"${wineserver[@]}" -w
[ "$(listing "$program_files" 2>&1)" = "$(wanted "${expected_files[@]}")" ] ||
  fail "Program Files\\KorvaCfg holds: $(listing "$program_files" 2>&1 | tr '\n' ' ')"
[ "$(listing "$start_menu" 2>&1)" = "$(wanted "${expected_links[@]}")" ] ||
  fail "the Start menu's KorvaCfg folder holds: $(listing "$start_menu" 2>&1 | tr '\n' ' ')"
entry=$("${wine[@]}" reg query "$uninstall_key" 2>&1 | tr -d '\r') || true
grep -q 'UninstallString.*C:\\Program Files\\KorvaCfg\\Uninstall.exe' <<<"$entry" ||
  fail "Add/Remove programs has no uninstaller for KorvaCfg: $entry"
grep -q 'DisplayVersion.*REG_SZ' <<<"$entry" || fail "Add/Remove programs shows no version: $entry"
# The installed tools run from where they were put.
version=$("${wine[@]}" "$program_files/korvactl.exe" --version 2>&1 | tr -d '\r') || true
built_version=$("${wine[@]}" "$build/tools/korvactl/korvactl.exe" --version 2>&1 | tr -d '\r') || true
[ -n "$version" ] && [ "$version" = "$built_version" ] ||
  fail "the installed korvactl.exe --version says '$version', the built one '$built_version'"

# Starts the installed console with loopback settings in the given file, closes it as its close button
# does, and checks that it saved into that file.
console_saves_into() {
  local settings=$1 console
  mkdir -p "$(dirname "$settings")"
  printf '[Geral]\r\nIP=127.0.0.186\r\nmsk=255.0.0.0\r\nGW=127.0.0.186\r\n' >"$settings"
  touch -d '2000-01-01' "$settings"
  "${wine[@]}" "$program_files/KorvaCfg.exe" &
  console=$!
  if timeout 60 xdotool search --sync --onlyvisible --name 'Korva' >/dev/null; then
    # Without /f, taskkill asks the window to close.
    "${wine[@]}" taskkill /im KorvaCfg.exe >/dev/null
  else
    fail "the installed console showed no window"
    # It may have ended already; its status below says how.
    "${wine[@]}" taskkill /f /im KorvaCfg.exe >/dev/null 2>&1 || true
  fi
  wait "$console" || fail "the installed console ended with status $?"
  # Every program of this start ends before the next start, which then begins as this one did.
  "${wineserver[@]}" -w
  [ "$settings" -nt "$program_files/KorvaCfg.exe" ] || fail "the console did not save into $settings"
  grep -q '^IP=127\.0\.0\.186' "$settings" || fail "the console saved another address: $(cat "$settings")"
}
if [ -e "$program_files/KorvaCfg.exe" ]; then
  # Windows does not let a user write into Program Files: the console keeps its settings in %APPDATA%,
  # which the uninstaller leaves alone. As root, only an immutable folder keeps Wine from writing there.
  if chattr +i "$program_files" 2>/dev/null; then
    appdata=$("${wine[@]}" winepath -u "$("${wine[@]}" cmd /c echo %APPDATA% | tr -d '\r')" | tr -d '\r')
    console_saves_into "$appdata/KorvaCfg/KorvaCfg.ini"
    chattr -i "$program_files"
  else
    echo "SKIP: the console's settings in %APPDATA%: chattr +i is not permitted here" >&2
  fi
  # Wine's own prefix lets its user write there: the console keeps its settings beside itself, and the
  # uninstaller takes them away with the program.
  console_saves_into "$program_files/KorvaCfg.ini"
fi

# The uninstaller copies itself away and runs from there; the wine server waits for that copy too.
"${wine[@]}" "$program_files/Uninstall.exe" /S
"${wineserver[@]}" -w
[ ! -e "$program_files" ] || fail "the uninstaller left in Program Files: $(listing "$program_files" | tr '\n' ' ')"
[ ! -e "$start_menu" ] || fail "the uninstaller left in the Start menu: $(listing "$start_menu" | tr '\n' ' ')"
if "${wine[@]}" reg query "$uninstall_key" >/dev/null 2>&1; then
  fail "the uninstaller left its Add/Remove programs entry"
fi
if [ -n "${appdata:-}" ]; then
  [ -f "$appdata/KorvaCfg/KorvaCfg.ini" ] || fail "the uninstaller took the user's settings from %APPDATA%"
  rm -rf "$appdata/KorvaCfg"
fi

[ $failures -eq 0 ] && echo "PASS: installed, used and removed again"
exit $((failures > 0))
