# Debian packages the build, the tests and the demo need. Installs only what is
# missing, so a machine that has everything pays one dpkg query.
ORVEX_PACKAGES=(
  build-essential cmake g++ clang clang-format clang-tidy libgtest-dev libgmock-dev
  libwxgtk3.2-dev fonts-wqy-microhei
  pkg-config libsystemd-dev dbus-daemon systemd util-linux
  libx11-dev xvfb xdotool imagemagick dbus-x11 at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  librsvg2-bin help2man lintian appstream desktop-file-utils man-db python3-pyte python3-pyflakes python3-gi python3-xlib cloc
  chromium
)

orvex_install_deps() {
  local missing=()
  for p in "${ORVEX_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  ((${#missing[@]} == 0)) && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [[ $(id -u) -ne 0 ]] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}
