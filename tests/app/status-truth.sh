#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the real lumora under Xvfb says about itself, seen through
# --report-state and driven with xdotool: the catalogue site killed while
# browsing (the title says the server cannot be reached, N asks for the same
# batch again, F5 reloads it once the site is back), the title naming what
# plays (a local file, a handed-over address), a clip that ends by itself
# shown as stopped, failures with their reason in the title and in the log (a
# missing file, a 404), a seek while paused moving the clock, and a live
# stream counting its time without a duration.
# Every run has a private HOME, instance marker and handoff port.
#
#   status-truth.sh LUMORA LUMORA_SITE MEDIA_DIR OUT
#
# Exit 77 (skipped) when xdotool is missing.
set -euo pipefail

if [ "${1:-}" = "--inside" ]; then
  lumora=$2 site=$3 work=$4 out=$5 port=$6
  source "$(dirname "$0")/../support/lumora-window.sh"
  log=$out/lumora.log pid= wid=
  trap '[ -n "$pid" ] && kill $pid 2>/dev/null || true; [ -n "${site_pid:-}" ] && kill $site_pid 2>/dev/null || true' EXIT

  fail() {
    echo "FAILED: $*"
    echo "--- lumora's report ($log)"; cat "$log"; echo "--- stderr"; cat "$log.err"
    exit 1
  }
  lines() { wc -l <"$log"; }
  # wait_after PATTERN FROM SECONDS comes from lumora-window.sh.
  # No line matching $1 after line $2 for $3 seconds.
  absent_after() {
    sleep "$3"
    ! grep -q -- "$1" < <(tail -n +"$(($2 + 1))" "$log")
  }
  key() {
    xdotool windowfocus --sync "$wid" 2>/dev/null || xdotool windowfocus "$wid"
    xdotool key "$1"
  }
  # Hands ADDRESS to the running lumora as a later start does.
  hand_over() {
    "$lumora" "$1" >"$out/handoff.log" 2>&1 || fail "the handoff of $1: $(cat "$out/handoff.log")"
  }
  start_site_on_port() {
    "$site" --port "$port" --quiet >>"$out/site.log" 2>&1 &
    site_pid=$!
    local i
    for ((i = 0; i < 100; i++)); do
      (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return 0
      sleep 0.1
    done
    fail "lumora-site did not come back on port $port"
  }

  start_site_on_port
  "$lumora" --report-state >"$log" 2>"$log.err" &
  pid=$!
  wait_after '^ready: ' 0 20 || fail "start-up"
  wid=$(lumora_window "$pid") || fail "no window of lumora on the display"
  wait_after '^title: 第1批共14批搜索到：[1-9]' 0 20 || fail "the first batch"

  # --- The site goes away while browsing.
  kill "$site_pid"; wait "$site_pid" 2>/dev/null || true; site_pid=
  from=$(lines)
  key n
  wait_after '^title: 第2批：无法连接服务器,按F5重新载入$' "$from" 20 || fail "N with the site gone"
  from=$(lines)
  key n
  key n
  absent_after '^title: 第[3-9]批' "$from" 3 || fail "N counted on while the site was gone"
  # The site is back: F5 fetches the batch the window stayed on.
  start_site_on_port
  from=$(lines)
  key F5
  wait_after '^title: 第2批共14批搜索到：[1-9]' "$from" 20 || fail "F5 once the site is back"

  # --- A local file names itself in the title, and ends as stopped.
  from=$(lines)
  hand_over "$work/clip.mp4"
  wait_after '^title: Lumora视频播放器：clip$' "$from" 20 || fail "the title of a local file"
  wait_after '^status0: 播放已停止$' "$from" 20 || fail "a clip that ended by itself"
  wait_after '^status3: 00:00:00/00:00:00$' "$from" 5 || fail "the time after the end"

  # --- Failures say why, in the title and in the log.
  from=$(lines)
  hand_over "$work/不在这里.mp4"
  wait_after '^status0: 播放失败,已准备就绪\.$' "$from" 20 || fail "a missing file"
  wait_after '^title: 播放失败：不在这里（文件不存在或无法读取）$' "$from" 5 || fail "the reason of a missing file"
  grep -q "lumora.playback: playing $work/不在这里.mp4 failed: no such playable file" "$log.err" ||
    fail "no log line for the missing file"
  from=$(lines)
  hand_over "http://127.0.0.1:$port/media/nothing-here.wmv"
  wait_after '^status0: 播放失败,已准备就绪\.$' "$from" 30 || fail "an address that answers 404"
  # mpv names the status when its words come in time (they may lag the failure).
  wait_after "^title: 播放失败：nothing-here（载入失败\(：http: HTTP error 404 Not Found\)\?）$" "$from" 5 ||
    fail "the reason of a 404"

  # --- A handed-over address names itself; a seek while paused moves the clock.
  from=$(lines)
  hand_over "http://127.0.0.1:$port/media/demo-a.mp4"
  wait_after '^title: Lumora视频播放器：demo-a$' "$from" 30 || fail "the title of a handed-over address"
  wait_after '^status0: 正在播放' "$from" 10 || fail "the address plays"
  from=$(lines)
  key space
  wait_after '^status0: 播放已暂停$' "$from" 10 || fail "pause"
  from=$(lines)
  key Right
  wait_after '^status3: 00:00:0[5-9]/' "$from" 10 || fail "a seek while paused moves the clock"

  # --- A live stream: no duration, the clock counts.
  from=$(lines)
  hand_over "http://127.0.0.1:$port/stream/live"
  wait_after '^status0: 正在播放' "$from" 30 || fail "the live stream plays"
  wait_after '^status3: 00:00:0[1-9]/00:00:00$' "$from" 15 || fail "the live stream's clock"
  grep -E '^status3: ' < <(tail -n +"$((from + 1))" "$log") | grep -qv '/00:00:00$' &&
    fail "the live stream showed a duration"

  kill "$pid"
  wait "$pid" || true
  pid=
  echo "all status checks passed"
  exit 0
fi

source "$(dirname "$0")/../support/lumora-test-env.sh"
lumora=$1 site=$2 media=$3 out=$4
need_tools xdotool
mkdir -p "$out"
rm -rf "${out:?}"/*
work=$out/media
mkdir -p "$work"
cp "$media/clip.mp4" "$work/"

# A free port for the site, which this script stops and starts again there.
source "$(dirname "$0")/../support/start-site.sh"
start_site "$site" "$out/site-probe.log" || exit 1
port=$site_port
kill "$site_pid"; wait "$site_pid" 2>/dev/null || true
trap - EXIT

private_instance status-truth "$port"
export HOME=$out/home XDG_CONFIG_HOME=$out/home/config LUMORA_DOWNLOAD_DIR=$out/downloads
mkdir -p "$XDG_CONFIG_HOME" "$LUMORA_DOWNLOAD_DIR"
bash "$(dirname "$0")/../support/on-x-display.sh" bash "$0" --inside "$lumora" "$site" "$work" "$out" "$port"
