#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The search over the whole catalogue in the real lumora under Xvfb with a
# window manager, against lumora-site: Ctrl+F puts the focus in the search
# box, a typed word (Chinese, through the keyboard) lists every title that
# holds it with its entry's image (read back as pixels of the results'
# first row), ↓ and Enter play the first result as a row plays, and Esc
# empties the box. Keys typed into the box stay text: N does not turn the
# batch. A private HOME, cache, instance marker and handoff port.
#
#   catalogue-search.sh LUMORA LUMORA_SITE OUT
#
# Exit 77 (skipped) when Xvfb, xauth, openbox, xdotool or ImageMagick is missing.
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  lumora=$2 out=$3
  source "$(dirname "$0")/../support/lumora-window.sh"
  log=$out/search.log pid= wid=
  trap '[ -n "$pid" ] && kill $pid 2>/dev/null || true' EXIT

  fail() {
    echo "FAILED: $*"
    echo "--- lumora's report ($log)"
    cat "$log"
    echo "--- stderr"
    cat "$log.err"
    exit 1
  }
  lines() { wc -l <"$log"; }
  wait_for() { wait_after "$1" 0 "$2"; }
  last() { grep "^$1: " "$log" | tail -1 | cut -d' ' -f2-; }
  key_to() {  # KEY PATTERN: KEY brings PATTERN
    local from
    from=$(lines)
    xdotool key "$1"
    wait_after "$2" "$from" 10 || fail "$1"
  }
  # The distinct colours inside the icon of the results' first row: the
  # list column's left edge, below the view bar and the search box (26
  # pixels each), in a row of 32 pixels with the 40 x 30 image first.
  first_icon_colours() {
    import -window "$wid" -crop 30x20+7+58 +repage "$out/icon.png" 2>/dev/null || { echo 0; return; }
    identify -format '%k' "$out/icon.png"
  }

  "$lumora" --report-state >"$log" 2>"$log.err" &
  pid=$!
  wait_for '^title: 第1批共14批搜索到：[1-9][0-9]*个视频$' 30 || fail "the first list"
  wid=$(lumora_window "$pid") || fail "no window of lumora on the display"
  xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
  sleep 0.3

  key_to ctrl+f '^focus: 搜索框$'
  # Keys in the box are text: n is no next batch.
  from=$(lines)
  xdotool type --delay 80 'n'
  sleep 0.5
  ! grep -q '^title: 第2批' < <(tail -n +"$((from + 1))" "$log") || fail "n in the search box turned the batch"
  xdotool key BackSpace
  # Chinese through the keyboard (xdotool maps each character to a spare key).
  xdotool type --delay 120 '写真'
  # The first result is 1001 (batch 1): demo A's colour bars, not the
  # placeholder's one grey.
  colours=0
  for ((i = 0; i < 100; i++)); do
    colours=$(first_icon_colours)
    [ "$colours" -gt 20 ] && break
    sleep 0.1
  done
  import -window "$wid" "$out/results.png" 2>/dev/null || true
  [ "$colours" -gt 20 ] || fail "the first result shows no image ($colours colours; see $out/results.png)"

  # ↓ goes into the results, Enter plays the first one as a row plays.
  from=$(lines)
  xdotool key Down
  sleep 0.3
  xdotool key Return
  wait_after '^title: Lumora视频播放器：夏日海边清新写真$' "$from" 20 || fail "Enter on the first result"
  wait_after '^status0: 正在播放' "$from" 40 || fail "the result does not play"

  # Esc in the box empties it.
  key_to ctrl+f '^focus: 搜索框$'
  xdotool key Escape
  sleep 0.5
  colours=$(first_icon_colours)
  [ "$colours" -le 2 ] || fail "Esc left results in view ($colours colours where the first row was)"
  echo "--- lumora's report"
  cat "$log"
  exit 0
fi

source "$(dirname "$0")/../support/lumora-test-env.sh"

lumora=$1 site=$2 out=$3
need_tools xdotool import identify
mkdir -p "$out"
rm -rf "${out:?}"/*

source "$(dirname "$0")/../support/start-site.sh"
start_site "$site" "$out/site.log" || exit 1
port=$site_port

private_instance catalogue-search "$port"
export HOME=$out/home XDG_CACHE_HOME=$out/cache XDG_DATA_HOME=$out/data XDG_CONFIG_HOME=$out/config
mkdir -p "$HOME"
unset XDG_RUNTIME_DIR
bash "$(dirname "$0")/../support/on-x-display.sh" --window-manager bash "$0" --inside "$lumora" "$out"
