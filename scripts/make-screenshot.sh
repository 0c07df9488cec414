#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Makes the screenshot the AppStream metainfo shows: the real lumora window,
# with the first list of lumora-site and a demo clip playing, on a virtual
# X display (Xvfb, 1024 x 768, with openbox), written to
# data/screenshots/main-window.png.
#
#   scripts/make-screenshot.sh [BUILD_DIR]     # default: build
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
source "$root/scripts/packages.sh"
lumora_install_packages xvfb xauth openbox x11-utils xdotool imagemagick fonts-wqy-microhei
cmake --build "$build" -j"$(lumora_jobs)" --target lumora lumora-site >/dev/null

if [ "${LUMORA_SCREENSHOT_ON_DISPLAY:-}" != 1 ]; then
  LUMORA_SCREENSHOT_ON_DISPLAY=1 exec "$root/tests/support/on-x-display.sh" --window-manager "$0" "$build"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/lumora-shot.XXXXXX")
source "$root/tests/support/start-site.sh"
source "$root/tests/support/lumora-window.sh"
start_site "$build/src/site/lumora-site" "$work/site.log"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" LC_ALL=C.UTF-8
export LUMORA_CATALOGUE_HOST=127.0.0.1:$site_port LUMORA_SERVICE_HOST=127.0.0.1:$site_port
source "$root/tests/support/free-udp-port.sh"
export LUMORA_INSTANCE_MARKER="lumora-screenshot-$$" LUMORA_HANDOFF_PORT="$(free_udp_port)"
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
"$build/src/app/lumora" --report-state -- "$root/src/site/data/media/demo-a.mp4" >"$work/state" 2>"$work/stderr" &
player=$!
trap 'kill $player 2>/dev/null || true; kill $site_pid 2>/dev/null || true; rm -rf "$work"' EXIT
window=$(lumora_window "$player")
# The first list on screen and the clip under way.
for ((i = 0; i < 200; i++)); do
  grep -q '^status0: ' "$work/state" && grep -q '^title: ' "$work/state" && break
  sleep 0.1
done
sleep 2
import -window "$window" "$root/data/screenshots/main-window.png"
echo "wrote data/screenshots/main-window.png ($(identify -format '%wx%h' "$root/data/screenshots/main-window.png"))"
