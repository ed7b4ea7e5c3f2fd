#!/usr/bin/env bash
# The Windows installer as a technician runs it, under Wine in the build's own prefix: installed silently
# (/S) per machine, its programs in Program Files and working there, its Start-menu entries and its
# Add/Remove programs entry in place; then the uninstaller (/S) leaves nothing of it behind.
# Nothing here sends a datagram.
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
. "$(dirname "$0")/../../scripts/wine-session.sh"
wine_session "$build"
started=()
cleanup() {
  "${wineserver[@]}" -k 2>/dev/null || true
  local pid
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT
# An installer is a window program, silent or not.
use_display

program_files="$prefix/drive_c/Program Files/KorvaCfg"
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

# The uninstaller copies itself away and runs from there; the wine server waits for that copy too.
"${wine[@]}" "$program_files/Uninstall.exe" /S
"${wineserver[@]}" -w
[ ! -e "$program_files" ] || fail "the uninstaller left in Program Files: $(listing "$program_files" | tr '\n' ' ')"
[ ! -e "$start_menu" ] || fail "the uninstaller left in the Start menu: $(listing "$start_menu" | tr '\n' ' ')"
if "${wine[@]}" reg query "$uninstall_key" >/dev/null 2>&1; then
  fail "the uninstaller left its Add/Remove programs entry"
fi

[ $failures -eq 0 ] && echo "PASS: installed, used and removed again"
exit $((failures > 0))
