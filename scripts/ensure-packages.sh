# Sourced by the other scripts: installs the Debian packages that are missing, and only those.
# Usage: ensure_packages pkg...
ensure_packages() {
  local missing=()
  local pkg
  for pkg in "$@"; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
}

# Generates the locales that are missing (as root, or through sudo), Debian's way: uncommented in
# /etc/locale.gen, which locale-gen builds from. The locales package must be installed.
# Usage: ensure_locales locale...   (as locale -a spells them after generating, e.g. pt_BR.UTF-8)
ensure_locales() {
  local missing=()
  local wanted
  for wanted in "$@"; do
    # locale -a writes UTF-8 as utf8.
    locale -a | grep -qix "${wanted/UTF-8/utf8}" || missing+=("$wanted")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Generating locales: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  for wanted in "${missing[@]}"; do
    $sudo sed -i "s/^# *\(${wanted//./\.} UTF-8\)\$/\1/" /etc/locale.gen
  done
  $sudo locale-gen
}

# What every build of the project needs. The exporter serves HTTP and HTTPS with libmicrohttpd on
# GnuTLS, reads its --web-config with yaml-cpp and checks bcrypt hashes with libxcrypt's crypt.
BUILD_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-qpa-plugins libgl-dev
                libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev prometheus-cpp-dev
                libmicrohttpd-dev libgnutls28-dev libyaml-cpp-dev libcrypt-dev
                fonts-liberation fonts-dejavu-core scdoc)

# The fuzzers need clang and its libFuzzer runtime.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)

# What the package test needs: it builds the Debian package, checks it and installs it.
# systemd-analyze verifies the exporter's unit and scores its sandbox.
PACKAGE_TEST_PACKAGES=(dpkg-dev lintian desktop-file-utils man-db bash-completion systemd python3)

# What scripts/run-demo.sh needs to show the console without a display and take its screenshot.
RUN_PACKAGES=(xvfb xdotool imagemagick x11-utils)

# The screen-reader test reads the real window through AT-SPI on a bus of its own, under Xvfb.
ACCESSIBILITY_PACKAGES=(python3-pyatspi at-spi2-core dbus xvfb xdotool x11-utils)

# The Wireshark dissector's test reads captures with tshark and records a live conversation with tcpdump.
# tshark's package asks whether non-root users may capture; the noninteractive frontend keeps its default.
CAPTURE_PACKAGES=(tshark tcpdump)

# The exporter's integration test runs its own Prometheus server on loopback against korvactl, and promtool
# checks the exporter's output and the example configuration in docs/prometheus/. The package's own service
# is not wanted; where an init system starts it, it listens on every interface. The HTTPS tests make
# their certificates with openssl and ask the exporter with curl.
MONITORING_PACKAGES=(prometheus openssl curl)

# The Windows build: the mingw-w64 cross compiler (POSIX threads variant), GoogleTest's sources to build
# with it, nlohmann/json's headers, Wine to run the tests (scripts/windows-build.sh) on Xvfb, which the
# console's window test needs, NSIS to build the installer, xdotool, unzip and locales for the installer's
# test, and Python for korvactl.exe's question on a pseudo-terminal.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix mingw-w64-tools googletest nlohmann-json3-dev wine wine64 xvfb nsis xdotool
                  unzip locales python3)
# Wine takes its language from the locale: the installer's test starts the installer in Brazilian
# Portuguese and in English, which a fresh machine, with C.UTF-8 alone, does not have.
INSTALLER_TEST_LOCALES=(pt_BR.UTF-8 en_US.UTF-8)
