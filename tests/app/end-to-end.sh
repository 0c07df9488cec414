#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole program from outside: lumora-site on an ephemeral port, the real
# lumora under Xvfb against it. The first list must come up, a click on a row
# must resolve it, a double-click must play it ("正在播放：" in the status
# bar), and the exit button must end the program with code 0; standard error
# stays free of the desktop's noise (no "Cannot load libcuda.so.1" from
# hardware decoder probing, no Qt remark about XDG_RUNTIME_DIR, which is
# unset for the run). lumora runs
# with --report-state, which prints every title and status text change; a
# screenshot of the screen stays in OUT as the run's artifact.
#
#   end-to-end.sh LUMORA LUMORA_SITE OUT
#
# Exit 77 (skipped) when Xvfb, xauth, xdotool or import (imagemagick) is missing.
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  # Inside the virtual display.
  source "$(dirname "$0")/../support/lumora-window.sh"
  lumora=$2 out=$3
  log=$out/lumora.log
  "$lumora" --report-state >"$log" 2>"$out/lumora.err" &
  pid=$!
  trap 'kill $pid 2>/dev/null || true' EXIT

  # Waits up to $2 seconds for a line of the log matching $1.
  wait_for() {
    local i
    for ((i = 0; i < $2 * 10; i++)); do
      grep -q -- "$1" "$log" && return 0
      kill -0 "$pid" 2>/dev/null || { echo "lumora ended early"; return 1; }
      sleep 0.1
    done
    echo "not seen within $2 s: $1"
    return 1
  }
  fail() { echo "FAILED: $*"; echo "--- lumora's report"; cat "$log"; echo "--- stderr"; cat "$out/lumora.err"; exit 1; }

  wait_for '^title: 第1批共14批搜索到：[1-9][0-9]*个视频$' 30 || fail "the first list"
  wid=$(lumora_window "$pid") || fail "no window of lumora on the display"

  # Clicks (xdotool click arguments $2...) until a log line matches $1; a
  # window that has only just been mapped may miss the first one.
  click_until() {
    local pattern=$1 try
    shift
    for try in 1 2 3; do
      xdotool mousemove --window "$wid" 40 90 click "$@" 1
      wait_for "$pattern" 10 && return 0
    done
    return 1
  }

  # A row near the top of the list, right below its header (the view bar
  # and the search box, 52 pixels, are above it).
  click_until '^title: 地址解析完成,双击播放$' || fail "the click on a row"
  click_until '^title: Lumora视频播放器：' --repeat 2 --delay 80 || fail "the double-click"
  wait_for '^status0: 正在播放：$' 40 || fail "playback"
  sleep 1
  import -window root "$out/screenshot.png" || fail "the screenshot"

  # The exit button (退出按钮) of a 680 x 556 window ends it with code 0.
  xdotool mousemove --window "$wid" 246 518 click 1
  for ((i = 0; i < 100; i++)); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  code=0
  wait "$pid" || code=$?
  trap - EXIT
  [ "$code" -eq 0 ] || fail "the exit button: exit code $code"
  ! grep -q -e 'libcuda' -e 'XDG_RUNTIME_DIR' "$out/lumora.err" || fail "noise on standard error"
  echo "--- lumora's report"
  cat "$log"
  exit 0
fi

source "$(dirname "$0")/../support/lumora-test-env.sh"

lumora=$1 site=$2 out=$3
need_tools xdotool import
mkdir -p "$out"
rm -rf "${out:?}"/*

source "$(dirname "$0")/../support/start-site.sh"
start_site "$site" "$out/site.log" || exit 1
port=$site_port

private_instance end-to-end "$port"
# The list images go into a cache of the run's own.
export XDG_CACHE_HOME=$out/cache
unset XDG_RUNTIME_DIR
# The history of what it plays goes into a folder of its own, not the user's.
export XDG_DATA_HOME=$out-data
rm -rf "$XDG_DATA_HOME"
# A display of its own, numbered by the server itself (xvfb-run -a can hand
# two tests started together the same number).
bash "$(dirname "$0")/../support/on-x-display.sh" bash "$0" --inside "$lumora" "$out"
echo "screenshot: $out/screenshot.png"
