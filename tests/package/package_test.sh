#!/usr/bin/env bash
# The Debian package as a technician gets it: built by the package target, checked by lintian,
# installed with apt, its programs, man pages, completion, exporter service (verified, its sandbox's
# exposure printed), Prometheus examples and Grafana dashboard, Wireshark
# dissector and desktop entry used or checked where they were installed, then removed again without a trace in /usr/bin. Needs root, as CI runs; skips otherwise.
# All traffic stays on DEVICE; GATEWAY is only written into the console's settings.
# Usage: package_test.sh BUILD_DIR PACKAGE VERSION DEVICE GATEWAY
set -euo pipefail
build=$1 package=$2 version=$3 device=$4 gateway=$5
skip=77

fail() {
  echo "FAIL: $*"
  exit 1
}

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: installing a package needs root; run the suite as root (as CI does) to check the package"
  exit $skip
fi
stray_settings=/usr/bin/KorvaCfg.ini
if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q ' installed$' || [ -e /usr/bin/KorvaCfg ] ||
  [ -e $stray_settings ]; then
  echo "SKIP: $package, /usr/bin/KorvaCfg or $stray_settings is there already; this test would replace it" \
    "and then remove it"
  exit $skip
fi
for tool in dpkg-shlibdeps lintian desktop-file-validate man; do
  command -v $tool >/dev/null || fail "$tool is missing: scripts/ensure-packages.sh lists what the package test needs"
done

# Another apt on the machine (an update, a helper installing its tools) holds dpkg's lock for a while.
apt_get() {
  DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=120 "$@"
}

work=$(mktemp -d)
sim=
console=
cleanup() {
  set +e  # everything is tried, whatever the state the test ended in
  [ -n "$console" ] && kill -KILL "$console" 2>/dev/null
  [ -n "$sim" ] && kill -TERM "$sim" 2>/dev/null
  wait 2>/dev/null
  dpkg-query -W "$package" >/dev/null 2>&1 && apt_get purge "$package" >/dev/null 2>&1
  rm -f $stray_settings  # not there before: only a faulty console made it
  rm -rf "$work"
}
trap cleanup EXIT

echo "== the package target"
cmake --build "$build" --target package >"$work/package.log" 2>&1 || {
  cat "$work/package.log"
  fail "the package target failed"
}
deb="$build/${package}_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb after the package target"

echo "== lintian"
lintian_status=0
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || lintian_status=$?
grep -v 'running with root privileges' "$work/lintian.log" || true
[ $lintian_status -eq 0 ] || fail "lintian reports errors"

echo "== apt-get install $deb"
# Slim Debian images keep man pages out with a dpkg path-exclude; a later path-include on the command
# line wins over it, and only for this package's own pages.
apt_get install --no-install-recommends -o DPkg::Options::=--path-include='/usr/share/man/man1/[Kk]orva*' "$deb" >"$work/apt.log" 2>&1 || {
  cat "$work/apt.log"
  fail "apt-get could not install the package"
}

echo "== the programs and their versions"
for program in KorvaCfg korvactl korva-sim; do
  [ -x /usr/bin/$program ] || fail "/usr/bin/$program is not installed"
  # No display at all: a console that opened a window here would fail instead of printing.
  said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/$program --version 2>&1) ||
    fail "$program --version ended with a failure: $said"
  [ "$said" = "$program $version" ] || fail "$program --version printed '$said', not '$program $version'"
done

echo "== man pages"
for page in KorvaCfg korvactl korva-sim; do
  file=/usr/share/man/man1/$page.1.gz
  dpkg -L "$package" | grep -qx "$file" || fail "the package does not list $file"
  [ -f "$file" ] || fail "dpkg did not put $file in place (a path-exclude in /etc/dpkg/dpkg.cfg.d?)"
  found=$(man -w "$page") || fail "man -w $page finds no page"
  [ "$found" = "$file" ] || fail "man -w $page gives $found, not $file"
done

echo "== bash completion"
# Completions are loaded when Tab is first pressed after the command: load korvactl's as that would.
loaded=$(bash -lic '__load_completion korvactl && complete -p korvactl' 2>/dev/null) ||
  fail "bash-completion loads no completion for korvactl"
[ "$loaded" = "complete -F _korvactl korvactl" ] || fail "korvactl completes with '$loaded'"

echo "== desktop entry and icon"
entry=/usr/share/applications/korvacfg.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
grep -qx 'Exec=KorvaCfg' "$entry" || fail "$entry does not start KorvaCfg"
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -f "/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no icon '$icon' in the hicolor theme"

echo "== the exporter's service, installed and not enabled"
unit=$(dpkg -L "$package" | grep '/systemd/system/korvactl-exporter.service$') ||
  fail "the package holds no korvactl-exporter.service"
[ -f "$unit" ] || fail "$unit is listed but not in place"
ls /etc/systemd/system/*.wants/korvactl-exporter.service 2>/dev/null &&
  fail "the installation enabled korvactl-exporter.service"
command -v systemd-analyze >/dev/null ||
  fail "systemd-analyze is missing: scripts/ensure-packages.sh lists what the package test needs"
systemd-analyze verify "$unit" || fail "systemd-analyze verify rejects $unit"
# The exposure systemd sees in the unit's sandbox, 0 (none) to 10; "OK" goes up to 4.9.
security=$(systemd-analyze security --offline=yes "$unit" 2>&1 | grep 'Overall exposure level') ||
  fail "systemd-analyze security gave no overall exposure for $unit"
echo "systemd-analyze security: ${security#→ }"
exposure=$(sed -n 's/.*: \([0-9.]*\) .*/\1/p' <<<"$security")
awk -v e="$exposure" 'BEGIN { exit !(e != "" && e <= 2.0) }' || fail "the unit's exposure is '$exposure', above 2.0"
defaults=/etc/default/korvactl-exporter
grep -qx 'KORVACTL_EXPORTER_LISTEN=127.0.0.1:9810' $defaults || fail "$defaults does not listen on loopback by default"
grep -qx 'KORVACTL_EXPORTER_OPTIONS=--no-names' $defaults || fail "$defaults lets /probe wait for name servers by default"
dpkg-query -W -f='${Conffiles}' "$package" | grep -q " $defaults " || fail "$defaults is not a conffile"

echo "== the Prometheus examples"
examples=/usr/share/korvacfg/prometheus
for file in prometheus.yml korva-alerts.yml korva-alerts.test.yml; do
  [ -f $examples/$file ] || fail "$examples/$file is not installed"
done
dashboard=/usr/share/korvacfg/grafana/korva-fleet.json
[ -f $dashboard ] || fail "$dashboard is not installed"
python3 -c 'import json, sys; json.load(open(sys.argv[1]))' $dashboard || fail "$dashboard is not JSON"
if command -v promtool >/dev/null; then
  (cd $examples && promtool check config prometheus.yml && promtool check rules korva-alerts.yml &&
    promtool test rules korva-alerts.test.yml) >"$work/promtool.log" 2>&1 || {
    cat "$work/promtool.log"
    fail "promtool refuses the installed examples"
  }
  grep -q 'alert: KorvaDeviceDown' $examples/korva-alerts.yml || fail "the alert rules have no KorvaDeviceDown"
else
  echo "promtool is not installed: the examples are not checked"
fi

echo "== the Wireshark dissector"
dissector=/usr/share/korvacfg/wireshark/korva.lua
[ -f $dissector ] || fail "$dissector is not installed"
plugin=$(dpkg -L "$package" | grep '/wireshark/plugins/korva.lua$') || fail "no korva.lua among Wireshark's plugins"
[ "$(readlink -f "$plugin")" = $dissector ] || fail "$plugin is not the dissector $dissector"
if command -v tshark >/dev/null; then
  lua_plugins=$(tshark -G folders 2>/dev/null | sed -n 's/^Global Lua Plugins:[[:space:]]*//p')
  [ "$(dirname "$plugin")" = "$lua_plugins" ] || fail "$plugin is not in Wireshark's Lua plugin folder $lua_plugins"
fi

echo "== korva-sim and korvactl on $device"
/usr/bin/korva-sim --address $device >"$work/sim.log" 2>&1 &
sim=$!
# The retries cover the simulator's start.
/usr/bin/korvactl status $device --timeout 200ms --retries 50 >"$work/status.json" ||
  fail "korvactl got no answer from korva-sim: $(cat "$work/status.json" "$work/sim.log")"
grep -q "\"address\":\"$device\"" "$work/status.json" || fail "korvactl printed $(cat "$work/status.json")"

echo "== the installed console keeps its settings in the per-user file"
config=$work/config
settings=$config/KorvaCfg/KorvaCfg.ini
mkdir -p "$config/KorvaCfg" "$work/home"
printf '[Geral]\nIP=%s\nmsk=255.255.0.0\nGW=%s\n' $device $gateway >"$settings"
preset_inode=$(stat -c %i "$settings")
(cd "$work" && exec env HOME="$work/home" XDG_CONFIG_HOME="$config" QT_QPA_PLATFORM=offscreen \
  /usr/bin/KorvaCfg) >"$work/console.log" 2>&1 &
console=$!

# The console handles SIGTERM from the moment its UDP socket is open: wait for that socket.
udp_socket_open() {
  local link inode
  for link in /proc/"$console"/fd/*; do
    inode=$(readlink "$link" 2>/dev/null | sed -n 's/^socket:\[\([0-9]*\)\]$/\1/p')
    [ -n "$inode" ] && awk -v inode="$inode" '$10 == inode { found = 1 } END { exit !found }' /proc/net/udp &&
      return 0
  done
  return 1
}
for _ in $(seq 200); do
  udp_socket_open && break
  kill -0 "$console" 2>/dev/null || fail "the console ended at start-up: $(cat "$work/console.log")"
  sleep 0.1
done
udp_socket_open || fail "the console opened no UDP socket within 20 s"

kill -TERM "$console"
for _ in $(seq 200); do
  kill -0 "$console" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$console" 2>/dev/null && fail "the console was still running 20 s after SIGTERM"
status=0
wait "$console" || status=$?
console=
[ $status -eq 0 ] || fail "the console ended with status $status: $(cat "$work/console.log")"

[ ! -e $stray_settings ] || fail "the console wrote $stray_settings"
[ "$(stat -c %i "$settings")" != "$preset_inode" ] || fail "the console did not save $settings"
for line in "IP=$device" "msk=255.255.0.0" "GW=$gateway"; do
  tr -d '\r' <"$settings" | grep -qx "$line" || fail "$settings lacks $line after the save: $(cat "$settings")"
done

echo "== apt-get purge $package"
kill -TERM "$sim"
wait "$sim" || fail "korva-sim ended with a failure: $(cat "$work/sim.log")"
sim=
apt_get purge "$package" >"$work/apt.log" 2>&1 || {
  cat "$work/apt.log"
  fail "apt-get could not remove the package"
}
for program in KorvaCfg korvactl korva-sim; do
  [ ! -e /usr/bin/$program ] || fail "/usr/bin/$program is left after the removal"
done
echo "the package installs, works and goes again"
