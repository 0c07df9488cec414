#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The desktop manners of the real lumora under Xvfb, seen through
# --report-state: every window-wide key with the focus on one unit or
# another (Tab moves it; the "focus:" lines say where it is), the keys the
# open-address window keeps for itself, the double-click and the right-click
# (file menu) on the picture, the list's own ↑/↓/Enter, files and a text
# dropped through the X drag-and-drop protocol (from lumora-xdnd-source),
# a subtitle beside the video and one dropped on it, a screenshot in the
# pictures folder, the volume and mute kept across a restart and a corrupt
# volume file ignored.
# Every run has a private HOME, XDG_CONFIG_HOME, instance marker and
# handoff port. long.mp4 (150 s) and its subtitles come from
# scripts/make-test-media.sh.
#
#   desktop-keys.sh LUMORA LUMORA_SITE XDND_SOURCE MEDIA_DIR OUT
#
# Exit 77 (skipped) when Xvfb, xauth or xdotool is missing.
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  lumora=$2 xdnd=$3 work=$4 out=$5 port=$6
  source "$(dirname "$0")/../support/lumora-window.sh"
  log= pid= wid=
  trap '[ -n "$pid" ] && kill $pid 2>/dev/null || true' EXIT

  fail() {
    echo "FAILED: $*"
    [ -n "$log" ] && { echo "--- lumora's report ($log)"; cat "$log"; echo "--- stderr"; cat "$log.err"; }
    exit 1
  }
  lines() { wc -l <"$log"; }
  wait_for() { wait_after "$1" 0 "$2"; }
  # Waits up to 5 s for lumora to show more than $1 windows (a menu opening).
  wait_windows() {
    local i
    for ((i = 0; i < 50; i++)); do
      [ "$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)" -gt "$1" ] && return 0
      sleep 0.1
    done
    return 1
  }
  # The last line of kind $1 (its text only).
  last() { grep "^$1: " "$log" | tail -1 | cut -d' ' -f2-; }

  # Finds lumora's window and gives it the keyboard (again after full screen,
  # which makes the window anew).
  take_focus() {
    wid=$(lumora_window "$pid") || fail "no window of lumora on the display"
    xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
    sleep 0.3
  }

  start() {  # LOG ARGS...
    log=$1
    shift
    "$lumora" --report-state "$@" >"$log" 2>"$log.err" &
    pid=$!
    wait_for '^ready: ' 20 || fail "start-up"
    take_focus
  }

  quit() {  # Ctrl+Q ends lumora with code 0
    local i code=0
    xdotool key ctrl+q
    for ((i = 0; i < 100; i++)); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
    wait "$pid" || code=$?
    pid=
    [ "$code" -eq 0 ] || fail "Ctrl+Q: exit code $code"
  }

  # Tab until the unit named $1 has the focus.
  focus_on() {
    local i
    for ((i = 0; i < 30; i++)); do
      [ "$(last focus)" = "$1" ] && return 0
      xdotool key Tab
      sleep 0.15
    done
    fail "the focus never reached $1"
  }

  # press UNIT KEY PATTERN: with the focus on UNIT, KEY brings a line matching PATTERN.
  press() {
    focus_on "$1"
    local from
    from=$(lines)
    xdotool key "$2"
    wait_after "$3" "$from" 8 || fail "$2 with the focus on $1"
  }

  # The position shown in status section 3, in seconds.
  position() {
    local t
    t=$(last status3)
    t=${t%%/*}
    echo $((10#${t:0:2} * 3600 + 10#${t:3:2} * 60 + 10#${t:6:2}))
  }
  # seek UNIT KEY LOW HIGH: after KEY the position shown lies between the
  # one before plus LOW and plus HIGH (playback goes on meanwhile).
  seek() {
    local before i now
    focus_on "$1"
    before=$(position)
    xdotool key "$2"
    for ((i = 0; i < 80; i++)); do
      sleep 0.1
      now=$(position)
      # Up to 2 s on is playback going on (a busy machine may skip a tick).
      if [ "$now" -lt "$before" ] || [ "$now" -gt $((before + 2)) ]; then
        [ "$now" -ge $((before + $3)) ] && [ "$now" -le $((before + $4)) ] && return 0
        fail "$2 with the focus on $1: from $before s to $now s"
      fi
    done
    fail "$2 with the focus on $1: the position stayed at about $before s"
  }

  # drop X Y ARGS...: offers ARGS to lumora's window at X,Y (window
  # coordinates) through the X drag-and-drop protocol.
  drop() {
    local x=$1 y=$2 X Y WINDOW SCREEN
    shift 2
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    "$xdnd" "$wid" $((X + x)) $((Y + y)) "$@" >"$out/drop.log" 2>&1 || fail "the drop of $*: $(cat "$out/drop.log")"
  }

  # --- First start: the defaults, a video with its subtitle beside it.
  start "$out/first.log" "$work/long.mp4"
  wait_for '^status2: 音量：45%$' 5 || fail "first start: volume"
  wait_for '^mute: 0$' 5 || fail "first start: mute"
  wait_for '^status0: 正在播放' 20 || fail "the video given on the command line"
  wait_for '^subtitle: Lumora subtitle line$' 10 || fail "the subtitle beside the video"
  # Taskbars and Alt-Tab find the window's icon and its desktop entry (on
  # the top-level window, whichever of lumora's windows the search gave).
  # The properties are read whole first: grep -q leaving a long xprop
  # output early would fail the pipe under pipefail.
  icon=0
  for w in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    icons=$(xprop -id "$w" _NET_WM_ICON 2>/dev/null || true)
    class=$(xprop -id "$w" WM_CLASS 2>/dev/null || true)
    [[ $icons == *'Icon (48 x 48)'* && ${class,,} == *lumora* ]] && icon=1
  done
  [ "$icon" = 1 ] || fail "no window with lumora's icon and class"

  press 播放按钮 space '^status0: 播放已暂停$'
  # (A focused button takes Space itself: the stop button would stop.)
  press 滑块条_声道 space '^status0: 正在播放'
  wait_for '^status3: 00:00:0[2-9]/00:02:30$' 10 || fail "the position display"
  seek 超级列表框1 Right 4 7
  seek 进度滑块条 shift+Right 59 62
  seek 滑块条_声道 Left -6 -3
  seek 播放按钮 shift+Left -61 -58

  press 静音按钮 m '^mute: 1$'
  press 滑块条_声道 m '^mute: 0$'
  press 滑块条_声道 Up '^status2: 音量：50%$'
  press 进度滑块条 Down '^status2: 音量：45%$'
  press 播放按钮 Up '^status2: 音量：50%$'
  press 停止按钮 Up '^status2: 音量：55%$'
  press 静音按钮 Up '^status2: 音量：60%$'

  press 超级列表框1 bracketleft '^speed: 0.91$'
  press 静音按钮 bracketright '^speed: 1$'
  press 静音按钮 bracketright '^speed: 1.1$'
  press 滑块条_声道 BackSpace '^speed: 1$'
  press 进度滑块条 v '^subtitles: 0$'
  press 播放按钮 v '^subtitles: 1$'

  press 超级列表框1 s '^screenshot: '
  shot=$(last screenshot)
  case "$shot" in "$HOME/图片/lumora-"*.png) ;; *) fail "screenshot outside the pictures folder: $shot" ;; esac
  [ "$(head -c 4 "$shot" | tail -c 3)" = PNG ] || fail "the screenshot is no PNG: $shot"

  # Each change of full screen makes the window anew: it takes the keyboard again.
  press 超级列表框1 f '^fullscreen: 1$'
  take_focus
  from=$(lines)
  xdotool key Escape
  wait_after '^fullscreen: 0$' "$from" 5 || fail "Esc leaves full screen"
  take_focus
  from=$(lines)
  xdotool mousemove --window "$wid" 400 200 click --repeat 2 --delay 80 1
  wait_after '^fullscreen: 1$' "$from" 5 || fail "a double-click on the picture"
  take_focus
  from=$(lines)
  xdotool key f
  wait_after '^fullscreen: 0$' "$from" 5 || fail "F leaves full screen"
  take_focus

  # A right-click on the picture opens the file menu; its second command
  # opens the open-address window, Esc closes it.
  from=$(lines)
  windows=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | wc -l)
  xdotool mousemove --window "$wid" 400 200 click 3
  wait_windows "$windows" || fail "no menu after a right-click on the picture"
  xdotool key Down Down Return
  wait_after '^focus: 编辑框1$' "$from" 5 || fail "a right-click on the picture"
  xdotool key Escape
  take_focus

  # The list keeps ↑ and ↓ for its rows; Enter plays the current one.
  focus_on 超级列表框1
  volume=$(last status2)
  from=$(lines)
  # Keys arrive in order: once Return has played the row, the arrows before it
  # have been handled.
  xdotool key Down Down Up Return
  wait_after '^title: Lumora视频播放器：.' "$from" 10 || fail "Enter in the list"
  wait_after '^status0: 正在播放' "$from" 30 || fail "the row Enter played"
  [ "$(last status2)" = "$volume" ] || fail "↓ in the list changed the volume"

  press 播放按钮 n '^title: 第2批共14批搜索到：'
  press 超级列表框1 ctrl+d '^title: \(下载马上开始\|请选择需要下载的视频\)'

  # Ctrl+L opens the open-address window, which keeps its own keys. (The clip
  # ended: the mute button is disabled, out of the Tab chain.)
  press 按钮关于 ctrl+l '^focus: 编辑框1$'
  from=$(lines)
  xdotool type --delay 30 'f m n[]'
  xdotool key space BackSpace ctrl+a
  xdotool type --delay 20 "$work/clip.mp4"
  # Keys arrive in order: once Tab has moved the focus on, the keys before it
  # have been handled.
  typed=$(lines)
  xdotool key Tab
  wait_after '^focus: ' "$typed" 5 || fail "Tab in the open-address window"
  tail -n +"$((from + 1))" "$log" | grep -E '^(fullscreen|mute|speed|title|status0|status2):' &&
    fail "keys typed into the open-address window reached the main window"
  xdotool key space
  wait_after '^status0: 正在播放' "$from" 20 || fail "the typed address"
  take_focus

  # Ctrl+O opens the file dialog (its file name box takes the focus).
  press 播放按钮 ctrl+o '^focus: fileNameEdit$'
  xdotool key Escape
  wait_after '^focus: ' "$(lines)" 5 || true
  take_focus

  press 滑块条_声道 m '^mute: 1$'
  quit
  [ "$(cat "$XDG_CONFIG_HOME/lumora/volume")" = "$(printf 'volume=60\nmute=1')" ] ||
    fail "the volume file: $(cat "$XDG_CONFIG_HOME/lumora/volume")"

  # --- Second start: volume and mute as they were; drops.
  start "$out/second.log"
  wait_for '^status2: 音量：60%$' 5 || fail "the remembered volume"
  wait_for '^mute: 1$' 5 || fail "the remembered mute"
  drop 400 200 "$work/long.mp4"
  wait_for '^status0: 正在播放' 20 || fail "the dropped file"
  grep -q '^mute: 0$' "$log" && fail "playing the dropped file unmuted"
  wait_for '^subtitle: Lumora subtitle line$' 10 || fail "the subtitle beside the dropped file"
  drop 400 200 "$work/dropped.srt"
  wait_for '^subtitle: Dropped subtitle line$' 10 || fail "the dropped subtitle"
  from=$(lines)
  drop 300 300 --text "http://127.0.0.1:$port/media/demo-a.mp4"
  wait_after '^status0: 正在\(加载\|缓冲\|连接\)中' "$from" 10 || fail "the dropped address: no new medium"
  wait_after '^status0: 正在播放' "$from" 20 || fail "the dropped address"
  quit

  # --- A corrupt volume file gives the defaults.
  printf 'volume=70\nmute=yes\n' >"$XDG_CONFIG_HOME/lumora/volume"
  start "$out/third.log"
  wait_for '^status2: 音量：45%$' 5 || fail "a corrupt volume file: volume"
  wait_for '^mute: 0$' 5 || fail "a corrupt volume file: mute"
  quit
  echo "all desktop checks passed"
  exit 0
fi

source "$(dirname "$0")/../support/lumora-test-env.sh"
lumora=$1 site=$2 xdnd=$3 media=$4 out=$5
need_tools xdotool
mkdir -p "$out"
rm -rf "${out:?}"/*
work=$out/media
mkdir -p "$work"
cp "$media/long.mp4" "$media/long.srt" "$media/dropped.srt" "$media/clip.mp4" "$work/"

source "$(dirname "$0")/../support/start-site.sh"
start_site "$site" "$out/site.log" || exit 1
port=$site_port

private_instance desktop-keys "$port"
# A home of its own: the volume file, the pictures folder (named in
# user-dirs.dirs, as xdg-user-dirs writes it), the downloads.
export HOME=$out/home XDG_CONFIG_HOME=$out/home/config XDG_CACHE_HOME=$out/home/cache LUMORA_DOWNLOAD_DIR=$out/downloads
unset XDG_PICTURES_DIR
mkdir -p "$XDG_CONFIG_HOME" "$LUMORA_DOWNLOAD_DIR"
echo 'XDG_PICTURES_DIR="$HOME/图片"' >"$XDG_CONFIG_HOME/user-dirs.dirs"
# A display of its own, numbered by the server itself (xvfb-run -a can hand
# two tests started together the same number).
bash "$(dirname "$0")/../support/on-x-display.sh" bash "$0" --inside "$lumora" "$xdnd" "$work" "$out" "$port"
