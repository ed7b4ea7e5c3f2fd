#!/usr/bin/env bash
# The Windows installer as a technician runs it, under Wine in the build's own prefix:
#  1. installed through its pages in Brazilian Portuguese (Wine in a pt_BR locale, the language page
#     offering Portuguese first): the version on the welcome page and in the title, the licence's text,
#     the components (the desktop shortcut among them), "Iniciar KorvaCfg" on the last page, which
#     starts the installed console; the language chosen becomes the console's (Idioma=pt);
#  2. its programs in Program Files and working there, its Start-menu entries, its Add/Remove programs
#     entry with the copyright holder as publisher, and as the console's CompanyName; the installed
#     console keeps its settings in %APPDATA% although Wine would let it write beside itself;
#  3. installed again silently (/S /DESKTOP) over an installation whose console kept its settings beside
#     itself, as versions before this one did: they are carried over to %APPDATA%, and the desktop
#     shortcut made; a silent install chose no language and writes none;
#  4. installed once more: a setting changed since is kept, and so is the desktop shortcut;
#  5. its first page in English in an en_US locale, cancelled there;
#  6. uninstalled silently: nothing of it left but the user's settings.
# Nothing here sends a datagram: every settings file the console reads names only the three loopback
# addresses the build gives this test (tests/package/CMakeLists.txt), and nothing is clicked in the console.
# Usage: windows_installer_test.sh BUILD_DIR   (after `cmake --build BUILD_DIR --target package`)
set -euo pipefail
build=$(cd "$1" && pwd)

installers=("$build"/korvacfg-*-windows-x64.exe)
if [ ${#installers[@]} -ne 1 ] || [ ! -f "${installers[0]}" ]; then
  echo "FAIL: expected one installer in $build, found: ${installers[*]}" >&2
  exit 1
fi
installer=${installers[0]}
version=$(basename "$installer" | sed 's/^korvacfg-//; s/-windows-x64\.exe$//')
read -r first_address second_address third_address <"$build/tests/package/windows_installer_addresses"
pages_program=$build/tests/package/installer_pages.exe
for wanted in pt_BR.utf8 en_US.utf8; do
  if ! locale -a | grep -qx "$wanted"; then
    echo "FAIL: no locale $wanted for Wine's language (scripts/ensure-packages.sh: ensure_locales)" >&2
    exit 1
  fi
done
prefix=$build/wine-prefix
program_files="$prefix/drive_c/Program Files/KorvaCfg"
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

start_menu="$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/KorvaCfg"
desktop_link="$prefix/drive_c/users/Public/Desktop/KorvaCfg.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KorvaCfg'
holder=$(sed -n 's/^Copyright: *[0-9, -]*//p' "$(dirname "$0")/../../packaging/copyright")
# The installer puts in place what the portable zip holds, and its uninstaller.
mapfile -t expected_files < <(unzip -Z1 "${installer%.exe}.zip" | sed 's|^[^/]*/||; /^$/d; /\/$/d')
expected_files+=(Uninstall.exe)

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
# The names in a folder, one a line, sorted.
listing() { (cd "$1" && find . -mindepth 1 -printf '%P\n' | sort); }
wanted() { printf '%s\n' "$@" | sort; }
# Ends when every program of the prefix has ended: each step begins as a technician's next step would.
settle() { "${wineserver[@]}" -w; }
settings_line() { printf '[Geral]\r\nIP=%s\r\nmsk=255.0.0.0\r\nGW=%s\r\n' "$1" "$first_address"; }

if [ -e "$program_files" ] || [ -e "$start_menu" ]; then
  echo "FAIL: the prefix already holds an installation; remove $prefix" >&2
  exit 1
fi
appdata=$("${wine[@]}" winepath -u "$("${wine[@]}" cmd /c echo %APPDATA% | tr -d '\r')" | tr -d '\r')
user_settings=$appdata/KorvaCfg/KorvaCfg.ini
# The console the last page starts reads these.
mkdir -p "$(dirname "$user_settings")"
settings_line "$first_address" >"$user_settings"

# Waits for the installed console's window and closes it as its close button does; it saves on the way.
close_console() {
  if timeout 60 xdotool search --sync --onlyvisible --name 'Korva' >/dev/null; then
    # Without /f, taskkill asks the window to close.
    "${wine[@]}" taskkill /im KorvaCfg.exe >/dev/null
  else
    fail "$1: the installed console showed no window"
    # It may have ended already; the caller's status says how.
    "${wine[@]}" taskkill /f /im KorvaCfg.exe >/dev/null 2>&1 || true
  fi
}

# 1. Through the pages, in Portuguese.
pages=$(mktemp)
LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 "${wine[@]}" "$installer" &
install=$!
LANG=pt_BR.UTF-8 LC_ALL=pt_BR.UTF-8 timeout 300 "${wine[@]}" "$pages_program" walk | tr -d '\r' >"$pages" ||
  fail "the installer's pages could not be walked through: $(cat "$pages")"
wait "$install" || fail "the installer ended with status $?"
close_console "started from the last page"
settle
page_says() { grep -qF -- "$1" "$pages" || fail "no page says '$1'"; }
page_says "caption | Instalação do KorvaCfg $version"
page_says "Static | Bem-vindo ao Instalador do KorvaCfg $version"
page_says "Este assistente instala o KorvaCfg $version"
page_says "RichEdit20W | KorvaCfg    Copyright 2026 $holder    All rights reserved."
page_says "Escolher Componentes"
page_says "Button | [x] Iniciar KorvaCfg"
page_says "page 1 | caption | KorvaCfg"
grep -qF "IP=$first_address" "$user_settings" || fail "the console from the last page lost its settings: $(cat "$user_settings")"
grep -q '^Idioma=pt' "$user_settings" || fail "the language chosen did not become the console's: $(cat "$user_settings")"

# 2. What the installation put in place.
[ "$(listing "$program_files" 2>&1)" = "$(wanted "${expected_files[@]}")" ] ||
  fail "Program Files\\KorvaCfg holds: $(listing "$program_files" 2>&1 | tr '\n' ' ')"
[ "$(listing "$start_menu" 2>&1)" = "$(wanted KorvaCfg.lnk Uninstall.lnk)" ] ||
  fail "the Start menu's KorvaCfg folder holds: $(listing "$start_menu" 2>&1 | tr '\n' ' ')"
[ ! -e "$desktop_link" ] || fail "a desktop shortcut nobody asked for"
entry=$("${wine[@]}" reg query "$uninstall_key" 2>&1 | tr -d '\r') || true
for value in 'UninstallString.*"C:\\Program Files\\KorvaCfg\\Uninstall.exe"' "DisplayVersion.*$version" \
             "Publisher.*REG_SZ *$holder\$" 'InstallLocation.*C:\\Program Files\\KorvaCfg$'; do
  grep -q "$value" <<<"$entry" || fail "Add/Remove programs' entry lacks $value: $entry"
done
company=$(strings -el "$program_files/KorvaCfg.exe" | grep -A1 -x CompanyName | tail -n 1)
[ "$company" = "$holder" ] || fail "KorvaCfg.exe's version resource names '$company' as its company, not '$holder'"
built_version=$("${wine[@]}" "$build/tools/korvactl/korvactl.exe" --version 2>&1 | tr -d '\r') || true
installed_version=$("${wine[@]}" "$program_files/korvactl.exe" --version 2>&1 | tr -d '\r') || true
[ -n "$installed_version" ] && [ "$installed_version" = "$built_version" ] ||
  fail "the installed korvactl.exe --version says '$installed_version', the built one '$built_version'"
# Wine lets its user write into Program Files; the installed console keeps its settings in %APPDATA%
# all the same.
settings_line "$second_address" >"$user_settings"
touch -d '2000-01-01' "$user_settings"
"${wine[@]}" "$program_files/KorvaCfg.exe" &
console=$!
close_console "started from Program Files"
wait "$console" || fail "the installed console ended with status $?"
settle
[ "$user_settings" -nt "$program_files/KorvaCfg.exe" ] || fail "the installed console did not save into %APPDATA%"
grep -qF "IP=$second_address" "$user_settings" || fail "the console saved another address: $(cat "$user_settings")"
[ ! -e "$program_files/KorvaCfg.ini" ] || fail "the installed console saved beside itself"

# 3. Over a console that kept its settings beside itself, with the desktop shortcut asked for.
rm "$user_settings"
settings_line "$third_address" >"$program_files/KorvaCfg.ini"
"${wine[@]}" "$installer" /S /DESKTOP
settle
grep -qF "IP=$third_address" "$user_settings" 2>/dev/null ||
  fail "the settings beside the old console did not reach %APPDATA%: $(cat "$user_settings" 2>&1)"
[ "$(listing "$program_files" 2>&1)" = "$(wanted "${expected_files[@]}")" ] ||
  fail "after the upgrade Program Files\\KorvaCfg holds: $(listing "$program_files" 2>&1 | tr '\n' ' ')"
[ -f "$desktop_link" ] || fail "/DESKTOP made no desktop shortcut"
! grep -q Idioma "$user_settings" || fail "a silent install chose a language: $(cat "$user_settings")"

# 4. Once more, with a setting changed since.
settings_line "$second_address" >"$user_settings"
"${wine[@]}" "$installer" /S
settle
grep -qF "IP=$second_address" "$user_settings" || fail "an upgrade changed the user's settings: $(cat "$user_settings")"
[ -f "$desktop_link" ] || fail "an upgrade dropped the desktop shortcut chosen before"
[ "$("${wine[@]}" reg query "$uninstall_key" 2>&1 | grep -c DisplayName)" = 1 ] ||
  fail "Add/Remove programs lists KorvaCfg more than once"

# 5. The first page in English, cancelled.
pages_en=$(mktemp)
LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 "${wine[@]}" "$installer" &
install=$!
LANG=en_US.UTF-8 LC_ALL=en_US.UTF-8 timeout 120 "${wine[@]}" "$pages_program" cancel | tr -d '\r' >"$pages_en" ||
  fail "the English installer could not be cancelled: $(cat "$pages_en")"
wait "$install" || true
settle
grep -qF "caption | KorvaCfg $version Setup" "$pages_en" || fail "the installer in English says: $(cat "$pages_en")"
grep -qF "Welcome to KorvaCfg $version Setup" "$pages_en" || fail "the welcome page in English says: $(cat "$pages_en")"
rm -f "$pages" "$pages_en"

# 6. The uninstaller copies itself away and runs from there; the wine server waits for that copy too.
"${wine[@]}" "$program_files/Uninstall.exe" /S
settle
[ ! -e "$program_files" ] || fail "the uninstaller left in Program Files: $(listing "$program_files" | tr '\n' ' ')"
[ ! -e "$start_menu" ] || fail "the uninstaller left in the Start menu: $(listing "$start_menu" | tr '\n' ' ')"
[ ! -e "$desktop_link" ] || fail "the uninstaller left the desktop shortcut"
if "${wine[@]}" reg query "$uninstall_key" >/dev/null 2>&1; then
  fail "the uninstaller left its Add/Remove programs entry"
fi
grep -qF "IP=$second_address" "$user_settings" || fail "the uninstaller took the user's settings from %APPDATA%"
rm -rf "$(dirname "$user_settings")"

[ $failures -eq 0 ] && echo "PASS: installed in Portuguese, upgraded twice keeping the settings, removed again"
exit $((failures > 0))
