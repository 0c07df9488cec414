#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The history and favourites of the real lumora under Xvfb, seen through
# --report-state and lumora-cli: long.mp4 (150 s) played to about a minute
# and quit is listed by `lumora-cli history`; started again it resumes with
# the notice in the title, R starts it over, B marks it, and
# `lumora-cli favourites` lists it after the exit. A damaged database is
# set aside with a log line and the player still plays.
# Private HOME, XDG_DATA_HOME, instance marker and handoff port.
#
#   library-resume.sh LUMORA LUMORA_CLI LUMORA_SITE MEDIA_DIR OUT
#
# Exit 77 (skipped) when Xvfb, xauth or xdotool is missing.
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  lumora=$2 cli=$3 work=$4
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
  last() { grep "^$1: " "$log" | tail -1 | cut -d' ' -f2-; }
  position() {  # the position shown in status section 3, in seconds
    local t
    t=$(last status3)
    t=${t%%/*}
    echo $((10#${t:0:2} * 3600 + 10#${t:3:2} * 60 + 10#${t:6:2}))
  }
  # Waits up to $3 s for the position to lie between $1 and $2.
  wait_position() {
    local i p
    for ((i = 0; i < $3 * 10; i++)); do
      p=$(position 2>/dev/null || echo -1)
      [ "$p" -ge "$1" ] && [ "$p" -le "$2" ] && return 0
      sleep 0.1
    done
    fail "the position stayed at $p s, not between $1 and $2"
  }
  start() {  # LOG ARGS...
    log=$1
    shift
    "$lumora" --report-state "$@" >"$log" 2>"$log.err" &
    pid=$!
    wait_for '^ready: ' 20 || fail "start-up"
    wid=$(lumora_window "$pid") || fail "no window of lumora on the display"
    xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
    sleep 0.3
  }
  quit() {
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

  # First play: to about a minute in, then quit.
  start "$work/first.log" "$work/long.mp4"
  wait_for '^status0: 正在播放' 20 || fail "the video given on the command line"
  wait_position 1 5 10
  xdotool key shift+Right
  wait_position 60 70 10
  quit
  history=$("$cli" history) || fail "lumora-cli history after the first play"
  echo "$history"
  [ "$(wc -l <<<"$history")" -eq 1 ] || fail "one entry in the history"
  IFS=$'\t' read -r _ at length kind ref title <<<"$history"
  [ "$kind" = file ] && [ "$ref" = "$work/long.mp4" ] && [ "$title" = long.mp4 ] || fail "the entry: $history"
  [ "${at%.*}" -ge 60 ] && [ "${at%.*}" -le 75 ] && [ "${length%.*}" -eq 150 ] || fail "the position: $history"

  # Again: it resumes there, with the notice; R starts over; B marks it.
  start "$work/second.log" "$work/long.mp4"
  wait_for "^title: 从 01:[01][0-9] 继续播放，按 R 从头播放$" 20 || fail "the resume notice"
  wait_position 60 80 10
  from=$(lines)
  xdotool key r
  wait_after '^title: 从头播放$' "$from" 5 || fail "R"
  wait_position 0 5 10
  # The notice goes after its seconds; the title names what plays again.
  wait_after '^title: Lumora视频播放器：long$' "$from" 10 || fail "the title after the notice"
  from=$(lines)
  xdotool key b
  wait_after '^title: 已收藏：' "$from" 5 || fail "B"
  quit
  favourites=$("$cli" favourites) || fail "lumora-cli favourites"
  echo "$favourites"
  [ "$(wc -l <<<"$favourites")" -eq 1 ] || fail "one favourite"
  history=$("$cli" history) || fail "lumora-cli history after the second play"
  IFS=$'\t' read -r _ at _ <<<"$history"
  [ "${at%.*}" -le 20 ] || fail "the position after R: $history"

  # A damaged database: set aside, said on stderr, and the video plays.
  db=$XDG_DATA_HOME/lumora/library.sqlite
  rm -f "$db-wal" "$db-shm"
  head -c 8192 /dev/urandom >"$db"
  start "$work/third.log" "$work/long.mp4"
  wait_for '^status0: 正在播放' 20 || fail "playing beside a damaged database"
  grep -q 'lumora.library: .* is damaged; set aside as ' "$work/third.log.err" || fail "no log line of the damaged file"
  ls "$XDG_DATA_HOME"/lumora/library.sqlite.corrupt-* >/dev/null || fail "the damaged file was not kept"
  quit
  "$cli" favourites 2>/dev/null && fail "favourites after a fresh start"
  echo "library-resume: all passed"
  exit 0
fi

source "$(dirname "$0")/../support/lumora-test-env.sh"
lumora=$1 cli=$2 site=$3 media=$4 out=$5
need_tools Xvfb xauth xdotool
rm -rf "$out"
mkdir -p "$out"
work=$out/work
mkdir -p "$work"
cp "$media/long.mp4" "$work/"

source "$(dirname "$0")/../support/start-site.sh"
start_site "$site" "$out/site.log" || exit 1

private_instance library-resume "$site_port"
export HOME=$out/home XDG_CONFIG_HOME=$out/home/config XDG_DATA_HOME=$out/home/data
mkdir -p "$XDG_CONFIG_HOME"
bash "$(dirname "$0")/../support/on-x-display.sh" bash "$0" --inside "$lumora" "$cli" "$work"
