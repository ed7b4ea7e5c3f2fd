# Sourced by the scripts that run the Windows build's programs under Wine. After `wine_session BUILD_DIR`,
# "${wine[@]}" runs a program in the build's own Wine prefix and "${wineserver[@]}" is that prefix's
# server; use_display gives Wine an X display where there is none (Xvfb, on no network: its process id
# goes into the caller's $started, which the caller ends); windows_path names a file as Wine shows it.
wine_session() {
  wine64=$(sed -n 's/^KORVA_WINE64:FILEPATH=//p' "$1/CMakeCache.txt")
  if [ ! -x "$wine64" ]; then
    echo "wine64 was not found (the wine64 package installs it in /usr/lib/wine)" >&2
    return 1
  fi
  # No Mono or Gecko offered; no copy of the Start-menu entries in this machine's own desktop menus.
  local environment=(env WINEPREFIX="$(cd "$1" && pwd)/wine-prefix" WINEDEBUG=-all
                     WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
  wine=("${environment[@]}" "$wine64")
  wineserver=("${environment[@]}" "$(dirname "$wine64")/wineserver64")
}

use_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  if ! command -v Xvfb >/dev/null; then
    echo "no DISPLAY and no Xvfb (package xvfb): Wine has no screen for the windows" >&2
    return 1
  fi
  local display_file
  display_file=$(mktemp)
  # Xvfb picks a free display itself and names it once it accepts connections.
  Xvfb -displayfd 3 -nolisten tcp -screen 0 1280x800x24 3>"$display_file" 2>/dev/null &
  started+=($!)
  local _
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  DISPLAY=:$(cat "$display_file")
  export DISPLAY
  rm -f "$display_file"
}

# Wine shows this machine's / as Z:.
windows_path() {
  local path
  path=$(realpath "$1")
  echo "Z:${path//\//\\}"
}
