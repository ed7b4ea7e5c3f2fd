#!/usr/bin/env bash
# korvactl.exe under Wine speaks the user's UI language, which Wine takes from the locale it starts in:
# Portuguese under pt_BR.UTF-8, English under C.UTF-8. Skipped (77) where pt_BR.UTF-8 is not generated,
# as Wine then falls back to English whatever it is asked.
# Usage: windows_language_test.sh WINE64 WINEPREFIX KORVACTL.EXE
set -uo pipefail
wine=$1 prefix=$2 korvactl=$3
locale -a | grep -qix pt_BR.utf8 || { echo "SKIP: the locale pt_BR.UTF-8 is not generated"; exit 77; }
status=0
# first_line LOCALE ARGUMENTS...: the first line korvactl.exe writes, standard error included
first_line() {
  local locale=$1
  shift
  LC_ALL=$locale WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= timeout 120 "$wine" "$korvactl" "$@" \
    2>&1 | tr -d '\r' | head -1
}
expect() {
  local wanted=$1 got
  shift
  got=$(first_line "$@")
  [ "$got" = "$wanted" ] || { echo "FAIL: $*: '$got', not '$wanted'"; status=1; }
}
expect "uso: korvactl COMANDO [OPÇÕES] [ENDEREÇO...]" pt_BR.UTF-8 --help
expect "korvactl: comando desconhecido 'stauts'; você quis dizer status?" pt_BR.UTF-8 stauts
expect "usage: korvactl COMMAND [OPTIONS] [ADDRESS...]" C.UTF-8 --help
exit $status
