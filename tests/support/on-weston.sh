#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command under a weston compositor of its own (headless backend,
# 1024 x 768, a runtime folder and socket of its own), as a native Wayland
# client or, with xwayland, as an X client of weston's Xwayland. The
# machine's WAYLAND_DISPLAY and DISPLAY are never used. The command runs with
# QT_QPA_PLATFORM=wayland (native) or xcb (xwayland), and
# LUMORA_TEST_WINDOW_MANAGER=weston and LUMORA_TEST_COMPOSITOR=native or
# xwayland set.
#
# With --on-x (inside on-x-display.sh) weston draws into a window on that X
# display instead (its x11 backend, pixman): xdotool's pointer and keys on
# that display reach the command's windows through weston as a user's would,
# and the display's screen shows weston's output. Its name is passed on in
# LUMORA_TEST_INPUT_DISPLAY.
#
#   on-weston.sh native|xwayland [--on-x] COMMAND [ARGS...]
#
# Exit 77 (skipped) when weston (or for xwayland, Xwayland) is missing;
# otherwise the command's exit code.
set -euo pipefail

mode=${1:?native or xwayland}
shift
on_x=
if [ "${1:-}" = "--on-x" ]; then
  on_x=${DISPLAY:?--on-x runs inside on-x-display.sh}
  shift
fi
command -v weston >/dev/null || { echo "SKIPPED: weston is missing"; exit 77; }
[ "$mode" = xwayland ] && { command -v Xwayland >/dev/null || { echo "SKIPPED: Xwayland is missing"; exit 77; }; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/lumora-weston.XXXXXX")
chmod 700 "$dir"
pid=
cleanup() {
  [ -n "$pid" ] && { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
  rm -rf "$dir"
}
trap cleanup EXIT

export XDG_RUNTIME_DIR=$dir
unset WAYLAND_DISPLAY
options=(--socket=wayland-test --width=1024 --height=768 --idle-time=0 --no-config)
if [ -n "$on_x" ]; then
  options+=(--backend=x11-backend.so --use-pixman)
else
  options+=(--backend=headless-backend.so)
  unset DISPLAY
fi
[ "$mode" = xwayland ] && options+=(--xwayland)
weston "${options[@]}" >"$dir/weston.log" 2>&1 &
pid=$!
unset DISPLAY
ready=
for ((i = 0; i < 300; i++)); do
  if [ -S "$dir/wayland-test" ]; then
    if [ "$mode" = native ]; then ready=1; break; fi
    number=$(sed -n 's/.*xserver listening on display :\([0-9]*\).*/\1/p' "$dir/weston.log" | head -1)
    [ -n "$number" ] && { ready=1; break; }
  fi
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
[ -n "$ready" ] || { echo "weston did not start"; cat "$dir/weston.log"; exit 1; }

# Under AddressSanitizer: the X, Wayland, GL and font libraries
# (libxkbcommon, Mesa) read counted names without a terminating zero and
# keep allocations to the end; the player's own code is checked by the
# offscreen tests.
if [ -n "${ASAN_OPTIONS:-}" ]; then
  export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0:detect_leaks=0"
fi
export LUMORA_TEST_WINDOW_MANAGER=weston LUMORA_TEST_COMPOSITOR=$mode
[ -n "$on_x" ] && export LUMORA_TEST_INPUT_DISPLAY=$on_x
if [ "$mode" = native ]; then
  export WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=wayland
else
  export DISPLAY=:$number QT_QPA_PLATFORM=xcb
fi
code=0
"$@" || code=$?
[ "$code" -ne 0 ] && { echo "--- weston's log"; tail -20 "$dir/weston.log"; }
exit "$code"
