#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The real lumora under weston, driven as a user drives it: weston draws into
# a window on an Xvfb display of its own (x11 backend) and xdotool's pointer
# and keys on that display reach lumora through weston, natively on Wayland
# or through weston's Xwayland. Seen through --report-state and the
# display's pixels:
#   F and a double-click on the picture go in and out of full screen, and
#   the keys still work after a click on the picture (which must not take
#   the window's focus);
#   natively, a right-click on the picture opens the file menu over it, and
#   Esc closes it;
#   natively, in full screen the pointer hides after a second of stillness and shows
#   again when it moves.
#
#   weston-input.sh native|xwayland LUMORA MEDIA_DIR OUT
#
# Exit 77 (skipped) when Xvfb, weston, xdotool or ImageMagick is missing.
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  lumora=$2 work=$3 out=$4
  input=${LUMORA_TEST_INPUT_DISPLAY:?runs under on-weston.sh --on-x}
  log=$out/lumora.log pid=
  source "$(dirname "$0")/../support/lumora-window.sh"
  trap '[ -n "$pid" ] && kill $pid 2>/dev/null || true' EXIT

  fail() {
    echo "FAILED ($LUMORA_TEST_COMPOSITOR): $*"
    echo "--- lumora's report"
    cat "$log"
    echo "--- stderr"
    tail -30 "$log.err"
    exit 1
  }
  lines() { wc -l <"$log"; }
  x() { DISPLAY=$input xdotool "$@"; }
  # The mean brightness (0..1) of the W x H area at X,Y of the display.
  brightness() {
    DISPLAY=$input import -silent -window root -crop "$3x$4+$1+$2" +repage -colorspace gray \
      -format '%[fx:mean]' info: 2>/dev/null
  }
  # The difference (0..1) of the W x H area at X,Y between two screenshots.
  shot() { DISPLAY=$input import -silent -window root "$1"; }
  differs() {
    local d
    d=$(compare -metric RMSE -extract "$4x$5+$2+$3" "$1" "$6" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p')
    [ -n "$d" ] && awk -v d="$d" 'BEGIN { exit !(d > 0.02) }'
  }
  # Presses key $1 (or double-clicks with "double") and waits for $2.
  step() {
    local mark
    mark=$(lines)
    case $1 in
      double) x mousemove "$3" "$4" sleep 0.3 click --repeat 2 --delay 80 1 ;;
      *) x key "$1" ;;
    esac
    wait_after "$2" "$mark" 10 || fail "$1 did not give $2"
  }

  # The file menu opens over the picture where it was right-clicked (at X,Y
  # of the display); Esc closes it.
  menu_over_picture() {
    local i light=0
    shot "$out/before-menu.png"
    x mousemove "$1" "$2" sleep 0.3 click 3
    # Up to 5 s for the menu on a loaded machine.
    for ((i = 0; i < 10; i++)); do
      sleep 0.5
      shot "$out/menu.png"
      differs "$out/before-menu.png" $(($1 + 5)) $(($2 + 5)) 80 80 "$out/menu.png" || continue
      light=$(brightness $(($1 + 10)) $(($2 + 10)) 60 60)
      awk -v b="$light" 'BEGIN { exit !(b > 0.7) }' && return 0
    done
    fail "no menu over the picture (brightness $light where it should be)"
  }

  "$lumora" --report-state "$work/long.mp4" >"$log" 2>"$log.err" &
  pid=$!
  wait_after '^status0: 正在播放' 0 30 || fail "the video did not play"
  sleep 1
  # (Through Xwayland the menu is not looked for: weston stacks an X menu
  # below a full-screen window, and in the normal window the X position
  # does not tell where weston shows it.)

  # Keys reach the window; in full screen the picture covers weston's whole
  # output (1024 x 768 at the display's origin), so its middle is known.
  step f '^fullscreen: 1$'
  sleep 1
  step double '^fullscreen: 0$' 512 384
  sleep 1
  # The click on the picture left the keyboard with the window.
  step f '^fullscreen: 1$'
  sleep 1
  step space '^status0: 播放已暂停$'
  sleep 1.5

  if [ "$LUMORA_TEST_COMPOSITOR" = native ]; then
    menu_over_picture 300 200
    # Esc closes the menu and, as everywhere in full screen, leaves it.
    step Escape '^fullscreen: 0$'
    sleep 1
    step f '^fullscreen: 1$'
    sleep 1.5
  fi

  # Natively, still, the pointer goes; moved, it comes back. (Through
  # Xwayland the cursor weston draws for an X client does not follow Qt's
  # blank cursor at once, so it is left to the X desktops' tests.)
  if [ "$LUMORA_TEST_COMPOSITOR" = native ]; then
    x mousemove 700 500 sleep 0.2 mousemove 701 500
    sleep 0.2
    shot "$out/pointer-shown.png"
    sleep 2.5
    shot "$out/pointer-hidden.png"
    differs "$out/pointer-shown.png" 695 495 30 30 "$out/pointer-hidden.png" || fail "the pointer did not hide"
    x mousemove 702 500
    sleep 0.5
    shot "$out/pointer-back.png"
    differs "$out/pointer-hidden.png" 695 495 30 30 "$out/pointer-back.png" || fail "the pointer did not come back"
  fi

  step double '^fullscreen: 0$' 512 384
  echo "input through weston ($LUMORA_TEST_COMPOSITOR): keys, double-click, menu and pointer as a user sees them"
  exit 0
fi

source "$(dirname "$0")/../support/lumora-test-env.sh"
mode=$1 lumora=$2 media=$3 out=$4
need_tools xdotool import compare
mkdir -p "$out"
rm -rf "${out:?}"/*
work=$out/media
mkdir -p "$work"
cp "$media/long.mp4" "$work/"

# Nothing answers on port 1: the list stays empty, which nothing here needs.
private_instance weston-input 1
export HOME=$out/home XDG_CONFIG_HOME=$out/home/config LUMORA_DOWNLOAD_DIR=$out/downloads
mkdir -p "$XDG_CONFIG_HOME"
support="$(dirname "$0")/../support"
bash "$support/on-x-display.sh" bash "$support/on-weston.sh" "$mode" --on-x bash "$0" --inside "$lumora" "$work" "$out"
