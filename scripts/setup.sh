# Shared set-up of ./test.sh and ./run.sh: installs the Debian packages the
# build, the tests and the program need when any of them is missing.
# Sourced, not run.

kr5061_packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-serialport-dev qt6-qpa-plugins dbus-daemon
  libgtest-dev libgmock-dev libbenchmark-dev libqcustomplot-dev
  fonts-liberation2 locales poppler-utils
  dpkg-dev file desktop-file-utils appstream mandoc man-db lintian python3-debian binutils
  clang libclang-rt-14-dev
  libmosquitto-dev mosquitto mosquitto-clients nlohmann-json3-dev qtkeychain-qt6-dev openssl libssl-dev
  systemd
)

kr5061_as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "Need root rights for: $*" >&2
    return 1
  fi
}

kr5061_install_packages() {
  local missing=()
  local pkg
  for pkg in "${kr5061_packages[@]}" "$@"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    kr5061_as_root apt-get update -qq
    kr5061_as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  # A comma-decimal locale lets the tests prove that files and texts never follow the user's locale.
  if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    kr5061_as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8 >/dev/null 2>&1 || true
  fi
}
