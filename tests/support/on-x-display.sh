#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a virtual X display of its own: Xvfb (1024 x 768, 24-bit,
# GLX through Mesa) on a display number the server picks itself, with an
# authority cookie of its own, and with --window-manager an openbox under a
# fixed configuration. The machine's DISPLAY is never used. The command runs
# with DISPLAY and XAUTHORITY set, QT_QPA_PLATFORM=xcb, and
# LUMORA_TEST_WINDOW_MANAGER=openbox when the window manager runs.
#
#   on-x-display.sh [--window-manager] COMMAND [ARGS...]
#
# Exit 77 (skipped) when Xvfb, xauth or (with --window-manager) openbox or
# xprop is missing; otherwise the command's exit code.
set -euo pipefail

window_manager=0
if [ "${1:-}" = "--window-manager" ]; then
  window_manager=1
  shift
fi
tools=(Xvfb xauth)
[ "$window_manager" = 1 ] && tools+=(openbox xprop)
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is missing"; exit 77; }
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/lumora-x.XXXXXX")
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$dir"
}
trap cleanup EXIT

# The server accepts every cookie in its -auth file whatever display number
# the entry names; the client's entry is written once the number is known.
cookie=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
touch "$dir/server-auth" "$dir/client-auth"
xauth -q -f "$dir/server-auth" add :0 MIT-MAGIC-COOKIE-1 "$cookie"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -auth "$dir/server-auth" \
  3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
pids+=($!)
number=
for ((i = 0; i < 100; i++)); do
  number=$(head -1 "$dir/display" 2>/dev/null | tr -dc 0-9 || true)
  [ -n "$number" ] && break
  kill -0 "${pids[0]}" 2>/dev/null || break
  sleep 0.1
done
[ -n "$number" ] || { echo "Xvfb did not start"; cat "$dir/xvfb.log"; exit 1; }

export DISPLAY=:$number XAUTHORITY=$dir/client-auth
xauth -q -f "$XAUTHORITY" add "$DISPLAY" MIT-MAGIC-COOKIE-1 "$cookie"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
# Under AddressSanitizer: the X, GL and font libraries (libxkbcommon-x11,
# Mesa) read counted names without a terminating zero and keep allocations
# to the end; the player's own code is checked by the offscreen tests.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0:detect_leaks=0"
fi

if [ "$window_manager" = 1 ]; then
  # One desktop, no margins, no dock, windows placed under the mouse, no
  # animation: the same desktop on every run, whatever the user's settings.
  mkdir -p "$dir/config"
  cat >"$dir/config/rc.xml" <<'EOF'
<?xml version="1.0" encoding="UTF-8"?>
<openbox_config xmlns="http://openbox.org/3.4/rc">
  <focus><focusNew>yes</focusNew><followMouse>no</followMouse></focus>
  <placement><policy>Smart</policy><center>yes</center></placement>
  <theme><name>Clearlooks</name><animateIconify>no</animateIconify></theme>
  <desktops><number>1</number></desktops>
  <margins><top>0</top><bottom>0</bottom><left>0</left><right>0</right></margins>
  <applications/>
</openbox_config>
EOF
  HOME=$dir XDG_CONFIG_HOME=$dir/config openbox --sm-disable --config-file "$dir/config/rc.xml" \
    >"$dir/openbox.log" 2>&1 &
  pids+=($!)
  # The window manager is up once it names its check window on the root.
  up=0
  for ((i = 0; i < 100; i++)); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && { up=1; break; }
    sleep 0.1
  done
  [ "$up" = 1 ] || { echo "openbox did not start"; cat "$dir/openbox.log"; exit 1; }
  export LUMORA_TEST_WINDOW_MANAGER=openbox
else
  unset LUMORA_TEST_WINDOW_MANAGER
fi

code=0
"$@" || code=$?
exit "$code"
