#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real lumora's window on Xvfb (1024 x 768), bare and under openbox, as
# the X server sees it: the first window fits the screen at
# QT_SCALE_FACTOR=2; its size and place come back at the next start (from
# $XDG_CONFIG_HOME/lumora/window), a place off every screen is not used and
# a malformed file gives the first size; the boundary between the list and
# the picture drags and is kept. Bare, also the buttons that wait for a
# medium (a click on mute does nothing, the M key still mutes) and the
# volume text that shows the mute.
#
#   window-fit.sh LUMORA OUT
#
# Exit 77 (skipped) when Xvfb, xauth, xdotool, xwininfo or openbox is missing.
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  lumora=$2 out=$3
  source "$(dirname "$0")/../support/lumora-window.sh"
  wm=${LUMORA_TEST_WINDOW_MANAGER:-}
  log= pid= wid=
  trap '[ -n "$pid" ] && kill $pid 2>/dev/null || true' EXIT
  file=$XDG_CONFIG_HOME/lumora/window

  fail() {
    echo "FAILED${wm:+ (under $wm)}: $*"
    [ -n "$log" ] && { echo "--- lumora's report ($log)"; cat "$log"; echo "--- stderr"; cat "$log.err"; }
    [ -f "$file" ] && { echo "--- $file"; cat "$file"; }
    exit 1
  }
  wait_for() {  # PATTERN SECONDS
    local i
    for ((i = 0; i < $2 * 10; i++)); do
      grep -q -- "$1" <"$log" && return 0
      kill -0 "$pid" 2>/dev/null || return 1
      sleep 0.1
    done
    return 1
  }
  start() {  # LOG [ENV...]
    log=$1
    shift
    : >"$log"
    env "$@" "$lumora" --report-state >"$log" 2>"$log.err" &
    pid=$!
    wait_for '^ready: ' 20 || fail "start-up"
    wid=$(lumora_window "$pid") || fail "no window of lumora on the display"
    # The window manager places and frames it; what it does in the first
    # second is not remembered.
    sleep 1.5
  }
  stop() {  # SIGTERM ends lumora as the exit button does, files written
    kill -TERM "$pid"
    local code=0
    wait "$pid" || code=$?
    pid=
    [ "$code" -eq 0 ] || fail "exit code $code"
  }
  # The client area as the X server has it: X Y W H (screen pixels).
  client() { xwininfo -id "$wid" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF}
                                          /^ *Width:/ {w=$NF} /^ *Height:/ {h=$NF} END {print x, y, w, h}'; }
  # The frame the window manager adds: LEFT RIGHT TOP BOTTOM (0s bare).
  frame() {
    local extents
    extents=$(xprop -id "$wid" _NET_FRAME_EXTENTS 2>/dev/null || true)
    case "$extents" in *=*) echo "${extents#*= }" | tr -d ',' ;; *) echo 0 0 0 0 ;; esac
  }
  # Fails unless the window, frame included, lies on the 1024 x 768 screen.
  on_screen() {
    local x y w h l r t b
    read -r x y w h < <(client)
    read -r l r t b < <(frame)
    [ $((x - l)) -ge 0 ] && [ $((y - t)) -ge 0 ] && [ $((x + w + r)) -le 1024 ] && [ $((y + h + b)) -le 768 ] ||
      fail "$1: the window ($w x $h at $x,$y, frame $l $r $t $b) is not on the screen"
  }

  # --- At twice the scale the first window fits the screen.
  rm -f "$file"
  start "$out/scaled.log" QT_SCALE_FACTOR=2
  on_screen "QT_SCALE_FACTOR=2"
  read -r _ _ w h < <(client)
  [ "$w" -ge 800 ] && [ "$h" -ge 480 ] || fail "QT_SCALE_FACTOR=2: the window shrank more than it had to: $w x $h"
  stop

  # --- Size, place and the list column come back at the next start.
  rm -f "$file"
  start "$out/first.log"
  read -r _ _ w h < <(client)
  [ "$w $h" = "680 556" ] || fail "first start: $w x $h, not 680 x 556"
  [ -e "$file" ] && fail "the first start wrote a window file of its own accord"
  xdotool windowsize --sync "$wid" 800 600 2>/dev/null || xdotool windowsize "$wid" 800 600
  xdotool windowmove --sync "$wid" 60 50 2>/dev/null || xdotool windowmove "$wid" 60 50
  sleep 0.5
  # The boundary between the list and the picture, dragged 150 pixels right.
  read -r x y _ _ < <(client)
  xdotool mousemove $((x + 99)) $((y + 200)) mousedown 1
  xdotool mousemove $((x + 170)) $((y + 200))
  xdotool mousemove $((x + 249)) $((y + 200)) mouseup 1
  sleep 0.8
  grep -qx 'list=250' "$file" 2>/dev/null || fail "the dragged list column was not written"
  before=$(client)
  stop
  grep -qx 'width=800' "$file" && grep -qx 'height=600' "$file" || fail "the window file after the first start"

  start "$out/second.log"
  [ "$(client)" = "$before" ] || fail "second start: the window at $(client), not at $before"
  on_screen "second start"
  stop
  grep -qx 'list=250' "$file" || fail "the list column was not kept"

  # --- The place remembered at another scale still fits the screen.
  start "$out/rescaled.log" QT_SCALE_FACTOR=2
  on_screen "the remembered place at QT_SCALE_FACTOR=2"
  stop

  # --- A place off every screen is not used; the size still is.
  printf 'x=5000\ny=4000\nwidth=700\nheight=500\nlist=100\nplaylist=0\n' >"$file"
  start "$out/off-screen.log"
  on_screen "a place off the screen"
  read -r _ _ w h < <(client)
  [ "$w $h" = "700 500" ] || fail "a place off the screen: $w x $h, not 700 x 500"
  stop

  # --- A malformed file gives the first size.
  printf 'width=wide\nheight=500\n' >"$file"
  start "$out/malformed.log"
  read -r _ _ w h < <(client)
  [ "$w $h" = "680 556" ] || fail "a malformed file: $w x $h, not 680 x 556"

  if [ -z "$wm" ]; then
    # --- Nothing loaded: a click on the mute button does nothing; M mutes.
    xdotool windowfocus "$wid" 2>/dev/null || true
    read -r x y _ h < <(client)
    xdotool mousemove $((x + 314)) $((y + h - 38)) click 1
    sleep 0.8
    grep -q '^mute: 1$' "$log" && fail "the mute button acted with nothing loaded"
    grep -q '^status2: 音量：45%$' "$log" || fail "the volume text"
    xdotool key m
    wait_for '^mute: 1$' 5 || fail "M with nothing loaded"
  fi
  stop
  exit 0
fi

source "$(dirname "$0")/../support/lumora-test-env.sh"
lumora=$1 out=$2
need_tools xdotool xwininfo xprop
mkdir -p "$out"
rm -rf "${out:?}"/*
# Nothing answers the catalogue: the window needs none.
private_instance window-fit 9
unset QT_SCALE_FACTOR QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR
on_x=$(dirname "$0")/../support/on-x-display.sh
# Each desktop with a home of its own (the window and volume files).
for desktop in bare openbox; do
  mkdir -p "$out/$desktop"
  export HOME=$out/$desktop/home XDG_CONFIG_HOME=$out/$desktop/home/config
  mkdir -p "$XDG_CONFIG_HOME/lumora"
  option=()
  [ "$desktop" = openbox ] && option=(--window-manager)
  code=0
  bash "$on_x" "${option[@]}" bash "$0" --inside "$lumora" "$out/$desktop" || code=$?
  [ "$code" -eq 0 ] || exit "$code"
done
