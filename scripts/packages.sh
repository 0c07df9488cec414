# SPDX-License-Identifier: GPL-3.0-or-later
# Debian packages Lumora needs, and a function that installs the missing ones.
# Sourced by ./test and ./run.

LUMORA_BUILD_PACKAGES=(
  build-essential cmake pkg-config ca-certificates ccache
  qt6-base-dev libqt6opengl6-dev libgl-dev
  libmpv-dev libcurl4-openssl-dev libpcre2-dev libcpp-httplib-dev zlib1g-dev libssl-dev libfontconfig-dev
  libgtest-dev libx11-dev libxcb1-dev
  qt6-translations-l10n libqt6sql6-sqlite
)
# Xvfb with Mesa's GLX for the picture tests, openbox and the X utilities
# (xwininfo, xprop) for the window-manager tests; the desktop's validators
# for the desktop entry and the metainfo; a D-Bus daemon for the
# notification and media-control tests' private session bus; playerctl and
# gdbus (libglib2.0-bin) drive the player over MPRIS there; weston with
# Xwayland and Qt's Wayland platform for the compositor tests.
LUMORA_TEST_PACKAGES=(xvfb xauth xdotool imagemagick fonts-wqy-microhei
  libgl1-mesa-dri libglx-mesa0 openbox x11-utils desktop-file-utils appstream dbus-daemon
  playerctl libglib2.0-bin weston xwayland qt6-wayland)

lumora_install_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

# Build and test jobs: LUMORA_JOBS when set, else one per processor.
lumora_jobs() { echo "${LUMORA_JOBS:-$(nproc 2>/dev/null || echo 2)}"; }
