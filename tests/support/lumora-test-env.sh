# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the test scripts that start the real lumora: the set-up they
# share before the display starts.
#
# need_tools TOOL... ends the script as skipped (exit 77) when a tool is missing.
need_tools() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is missing"; exit 77; }
  done
}

# private_instance NAME SITE_PORT: lumora talks to the site on SITE_PORT for
# the catalogue and the services, and has an instance marker and a handoff
# port of its own, so a Lumora of the same user may run beside the test. The
# display's variables of the machine are dropped; under AddressSanitizer the
# checks that the real X, sound and GL libraries fail are relaxed
# (libxkbcommon-x11 strndup()s counted names that carry no terminating zero,
# and those libraries keep allocations to the end; leaks of the player's own
# code are checked by the offscreen and process tests).
private_instance() {
  source "$(dirname "${BASH_SOURCE[0]}")/free-udp-port.sh"
  export LUMORA_CATALOGUE_HOST=127.0.0.1:$2 LUMORA_SERVICE_HOST=127.0.0.1:$2
  export LUMORA_INSTANCE_MARKER="lumora-$1 $$ $RANDOM"
  LUMORA_HANDOFF_PORT=$(free_udp_port) || { echo "no free UDP port"; exit 1; }
  export LUMORA_HANDOFF_PORT
  unset QT_QPA_PLATFORM WAYLAND_DISPLAY
  if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0:detect_leaks=0"
  fi
}
