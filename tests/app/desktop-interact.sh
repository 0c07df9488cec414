#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The interaction of the real lumora under Xvfb, as a user sees it: messages
# on the picture (read back as pixels, in a window and in full screen, and
# as the "osd:" report lines), the play list panel (F9; files dropped
# together play in the order given; > and <, PgDn/PgUp without chapters,
# chapters with them; a click and Delete in the panel), buttons that take
# Space and Enter, Stop by key, the focus kept off 退出 after Stop, a dialog
# and a handoff, and Ctrl+O / Ctrl+L that change nothing when cancelled.
# A private HOME, instance marker and handoff port.
#
#   desktop-interact.sh LUMORA LUMORA_SITE XDND_SOURCE MEDIA_DIR OUT
#
# Exit 77 (skipped) when Xvfb, xauth, xdotool or ImageMagick is missing.
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  lumora=$2 xdnd=$3 work=$4 out=$5
  source "$(dirname "$0")/../support/lumora-window.sh"
  log= pid= wid=
  trap '[ -n "$pid" ] && kill $pid 2>/dev/null || true' EXIT

  fail() {
    echo "FAILED: $*"
    [ -n "$log" ] && { echo "--- lumora's report ($log)"; cat "$log"; echo "--- stderr"; cat "$log.err"; }
    exit 1
  }
  lines() { wc -l <"$log"; }
  # wait_after PATTERN FROM SECONDS comes from lumora-window.sh.
  wait_for() { wait_after "$1" 0 "$2"; }
  # Whether a line matching $1 came after line $2.
  seen_after() { grep -q -- "$1" < <(tail -n +"$(($2 + 1))" "$log"); }
  last() { grep "^$1: " "$log" | tail -1 | cut -d' ' -f2-; }
  take_focus() {
    wid=$(lumora_window "$pid") || fail "no window of lumora on the display"
    xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
    sleep 0.3
  }
  focus_on() {
    local i
    for ((i = 0; i < 30; i++)); do
      [ "$(last focus)" = "$1" ] && return 0
      xdotool key Tab
      sleep 0.15
    done
    fail "the focus never reached $1"
  }
  press() {  # UNIT KEY PATTERN
    focus_on "$1"
    local from
    from=$(lines)
    xdotool key "$2"
    wait_after "$3" "$from" 8 || fail "$2 with the focus on $1"
  }
  key_to() {  # KEY PATTERN: KEY, whatever has the focus, brings PATTERN
    local from
    from=$(lines)
    xdotool key "$1"
    wait_after "$2" "$from" 10 || fail "$1"
  }
  # The picture: lumora's window less the list (left), the controls
  # (below) and a margin, as a PNG in $1.
  picture() {
    local WIDTH HEIGHT X Y WINDOW SCREEN
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    if [ "$(last fullscreen)" = 1 ]; then
      import -window root -crop "$((WIDTH - 20))x$((HEIGHT - 20))+$((X + 10))+$((Y + 10))" +repage "$1"
    else
      import -window root -crop "$((WIDTH - 120))x$((HEIGHT - 100))+$((X + 110))+$((Y + 10))" +repage "$1"
    fi
  }
  # How many pixels of two pictures differ noticeably.
  differing() { compare -metric AE -fuzz 10% "$1" "$2" null: 2>&1 | cut -d' ' -f1 || true; }
  # osd_on_picture NAME KEY PATTERN: KEY brings the message PATTERN, which
  # shows on the (paused) picture and is gone again after its time.
  osd_on_picture() {
    local from n
    sleep 2  # earlier messages gone
    picture "$out/$1-before.png"
    from=$(lines)
    xdotool key "$2"
    wait_after "^osd: $3\$" "$from" 5 || fail "$1: no message"
    sleep 0.4
    picture "$out/$1-shown.png"
    n=$(differing "$out/$1-before.png" "$out/$1-shown.png")
    [ "${n%.*}" -gt 150 ] || fail "$1: the message did not show on the picture ($n pixels changed)"
    sleep 2.5
    picture "$out/$1-after.png"
    n=$(differing "$out/$1-before.png" "$out/$1-after.png")
    [ "${n%.*}" -lt 50 ] || fail "$1: the message stayed on the picture ($n pixels changed)"
  }
  # The same for a seek, which shows another frame too: the message shows
  # and then goes, leaving the new frame.
  osd_on_seek() {
    local from n
    from=$(lines)
    xdotool key "$1"
    wait_after "^osd: $2\$" "$from" 5 || fail "seek: no message"
    sleep 0.4
    picture "$out/seek-shown.png"
    sleep 2.5
    picture "$out/seek-after.png"
    n=$(differing "$out/seek-shown.png" "$out/seek-after.png")
    [ "${n%.*}" -gt 150 ] || fail "seek: no message went from the picture ($n pixels changed)"
  }
  drop() {  # X Y FILES...
    local x=$1 y=$2 X Y WIDTH HEIGHT WINDOW SCREEN
    shift 2
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    "$xdnd" "$wid" $((X + x)) $((Y + y)) "$@" >"$out/drop.log" 2>&1 || fail "the drop of $*: $(cat "$out/drop.log")"
  }
  playing() {  # NAME FROM: NAME plays after line FROM
    wait_after "^status0: 正在播放的节目：$1\$" "$2" 20 || fail "$1 does not play"
  }

  log=$out/interact.log
  "$lumora" --report-state >"$log" 2>"$log.err" &
  pid=$!
  wait_for '^ready: ' 20 || fail "start-up"
  take_focus

  # --- Files dropped together play as a list, in the order given.
  from=$(lines)
  drop 400 200 "$work/long.mp4" "$work/another.mp4" "$work/tracks.mkv"
  playing long.mp4 "$from"

  # --- Messages on the picture, paused so that only they change it.
  press 超级列表框1 space '^osd: 暂停$'
  # (The list keeps ↑ and ↓ for its rows: the slider has the focus.)
  focus_on 进度滑块条
  osd_on_picture volume Up '音量：50%'
  osd_on_seek Right '00:00:[01][0-9] / 00:02:30'
  press 超级列表框1 m '^osd: 静音$'
  press 超级列表框1 m '^osd: 取消静音$'
  press 超级列表框1 bracketright '^osd: 播放速度：1.1x$'
  press 超级列表框1 BackSpace '^osd: 播放速度：1x$'
  press 超级列表框1 v '^osd: 字幕：隐藏$'
  press 超级列表框1 v '^osd: 字幕：显示$'
  press 超级列表框1 s '^osd: 截图已保存：'
  # In full screen too (the window is made anew: it takes the keyboard again).
  press 超级列表框1 f '^fullscreen: 1$'
  take_focus
  osd_on_picture fullscreen bracketright '播放速度：1.1x'
  key_to BackSpace '^osd: 播放速度：1x$'
  key_to f '^fullscreen: 0$'
  take_focus

  # --- The play list panel over the picture.
  sleep 2
  picture "$out/panel-hidden.png"
  press 超级列表框1 F9 '^playlist: 1$'
  sleep 0.5
  picture "$out/panel-shown.png"
  n=$(differing "$out/panel-hidden.png" "$out/panel-shown.png")
  [ "${n%.*}" -gt 1000 ] || fail "the play list panel did not show ($n pixels changed)"
  press 超级列表框1 space '^osd: 播放$'
  from=$(lines); xdotool key greater; playing another.mp4 "$from"
  from=$(lines); xdotool key less; playing long.mp4 "$from"
  # long.mp4 has no chapters: PgDn / PgUp step through the list.
  from=$(lines); xdotool key Next; playing another.mp4 "$from"
  from=$(lines); xdotool key Prior; playing long.mp4 "$from"
  from=$(lines); xdotool key greater greater; playing tracks.mkv "$from"
  # tracks.mkv has two chapters: PgDn goes to the second.
  key_to Next '^osd: 章节：2/2 Two$'
  # # chooses an audio stream and says which. (Without a sound device mpv
  # turns every audio stream off again, so the round is not followed here.)
  key_to numbersign '^osd: 音轨：[12]: \(Low \[eng\]\|High \[chi\]\)$'
  # The last item: > goes nowhere.
  from=$(lines)
  xdotool key greater
  sleep 1.5
  # (A new item starts with loading; the status of the one playing may
  # still settle on a loaded machine.)
  seen_after '^status0: 正在加载中' "$from" && fail "> after the last item"

  # In the panel (at the right of the picture, rows from its top): a click
  # on the first row and Delete takes long.mp4 out; the list is another.mp4,
  # tracks.mkv, and < from another.mp4 goes nowhere.
  from=$(lines); xdotool key less; playing another.mp4 "$from"
  eval "$(xdotool getwindowgeometry --shell "$wid")"
  px=$((WIDTH - 130)) row1=$((4 + 9))
  xdotool mousemove --window "$wid" "$px" "$row1" click 1
  wait_for '^focus: 播放列表$' 5 || fail "a click on the play list"
  xdotool key Delete
  sleep 0.5
  from=$(lines)
  xdotool key less
  sleep 1.5
  seen_after '^status0: 正在加载中' "$from" && fail "< before the first item after the removal"
  key_to F9 '^playlist: 0$'
  take_focus

  # --- Buttons take Space and Enter; Stop by key; the focus stays off 退出.
  press 播放按钮 Return '^status0: 播放已暂停$'
  press 播放按钮 space '^status0: 正在播放'
  press 静音按钮 space '^mute: 1$'
  press 静音按钮 Return '^mute: 0$'
  press 停止按钮 Return '^status0: 播放已停止$'
  sleep 0.5
  [ "$(last focus)" != 退出按钮 ] || fail "the focus fell to 退出 after Stop"
  press 播放按钮 space '^status0: 正在播放'
  key_to ctrl+s '^status0: 播放已停止$'
  press 播放按钮 space '^status0: 正在播放'

  # --- Ctrl+O and Ctrl+L stop nothing when cancelled.
  from=$(lines)
  press 停止按钮 ctrl+o '^focus: fileNameEdit$'
  xdotool key Escape
  sleep 1
  take_focus
  press 停止按钮 ctrl+l '^focus: 编辑框1$'
  xdotool key Escape
  sleep 1
  take_focus
  seen_after '^status0: 播放已停止$' "$from" && fail "a cancelled Ctrl+O or Ctrl+L stopped playback"
  [ "$(last focus)" != 退出按钮 ] || fail "the focus fell to 退出 after a cancelled dialog"

  # A typed address, with the focus on the stop button before: stop, play;
  # the focus comes back, not to 退出.
  press 停止按钮 ctrl+l '^focus: 编辑框1$'
  from=$(lines)
  xdotool type --delay 20 "$work/long.mp4"
  xdotool key Return
  wait_after '^status0: 正在播放' "$from" 20 || fail "the typed address"
  sleep 0.5
  take_focus
  sleep 0.5
  [ "$(last focus)" != 退出按钮 ] || fail "the focus fell to 退出 after the open-address window"

  # A handoff from a second start stops and plays, the focus stays off 退出.
  focus_on 停止按钮
  from=$(lines)
  "$lumora" "$work/clip.mp4" >/dev/null 2>&1 || fail "the second start"
  wait_after '^handoff: ' "$from" 10 || fail "the handoff"
  wait_after '^status0: 正在播放' "$from" 20 || fail "the address handed over"
  sleep 0.5
  [ "$(last focus)" != 退出按钮 ] || fail "the focus fell to 退出 after a handoff"

  # Full screen hides the list that has the focus; Space then is the
  # window's play/pause (the exit button left with the focus would quit).
  press 超级列表框1 f '^fullscreen: 1$'
  sleep 0.5
  [ "$(last focus)" != 退出按钮 ] || fail "the focus fell to 退出 in full screen"
  key_to space '^status0: \(播放已暂停\|正在加载中\)'
  key_to f '^fullscreen: 0$'

  from=$(lines)
  xdotool key ctrl+q
  for ((i = 0; i < 100; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  wait "$pid" || fail "Ctrl+Q: exit code $?"
  pid=
  echo "all interaction checks passed"
  exit 0
fi

source "$(dirname "$0")/../support/lumora-test-env.sh"
lumora=$1 site=$2 xdnd=$3 media=$4 out=$5
need_tools xdotool import compare
mkdir -p "$out"
rm -rf "${out:?}"/*
work=$out/media
mkdir -p "$work"
cp "$media/long.mp4" "$media/long.srt" "$media/clip.mp4" "$media/tracks.mkv" "$work/"
# A second long video under a name that sorts before long.mp4.
cp "$media/long.mp4" "$work/another.mp4"

source "$(dirname "$0")/../support/start-site.sh"
start_site "$site" "$out/site.log" || exit 1
port=$site_port

private_instance desktop-interact "$port"
export HOME=$out/home XDG_CONFIG_HOME=$out/home/config LUMORA_DOWNLOAD_DIR=$out/downloads
unset XDG_PICTURES_DIR
mkdir -p "$XDG_CONFIG_HOME" "$LUMORA_DOWNLOAD_DIR"
bash "$(dirname "$0")/../support/on-x-display.sh" bash "$0" --inside "$lumora" "$xdnd" "$work" "$out"
