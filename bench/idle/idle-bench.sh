#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CPU a window uses while nothing changes: the real lumora under a virtual
# display of its own, (a) with the first list shown and nothing loaded and
# (b) after a local clip has played to its end, beside a bare Qt Widgets
# window with a list (bench/idle/IdlePeer.cpp). Each is left alone for a
# moment, then its CPU time over 10 s, all threads, is read from
# /proc/PID/task/*/schedstat (nanoseconds); RUNS rounds (default 5), medians printed. Builds what it
# needs (Release, in build-bench unless BUILD_DIR says otherwise).
#
#   bench/idle/idle-bench.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
runs="${1:-5}"
window_s=10
command -v Xvfb >/dev/null || { echo "missing Xvfb (Debian: apt-get install xvfb)" >&2; exit 1; }
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target lumora lumora-site idle_peer

work="$(mktemp -d)"
xvfb="" site="" app=""
cleanup() {
  [ -n "$app" ] && kill "$app" 2>/dev/null
  [ -n "$site" ] && kill "$site" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
"$build/src/site/lumora-site" --port 0 --quiet >"$work/site.log" 2>&1 &
site=$!
base=""
for _ in $(seq 200); do
  base="$(sed -n 's/^lumora-site listening on //p' "$work/site.log")"
  [ -n "$base" ] && [ -s "$work/display" ] && break
  sleep 0.05
done
[ -n "$base" ] || { echo "lumora-site did not start" >&2; exit 1; }
host="${base#http://}"
while :; do
  port=$((20000 + RANDOM % 40000))
  ss -Huln "sport = :$port" 2>/dev/null | grep -q . || break
done

run_env=(env -u http_proxy -u HTTP_PROXY DISPLAY=":$(head -1 "$work/display")" HOME="$work/home"
  XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
  LUMORA_INSTANCE_MARKER="lumora-idle-bench-$$" LUMORA_HANDOFF_PORT="$port"
  LUMORA_CATALOGUE_HOST="$host" LUMORA_SERVICE_HOST="$host" QT_LOGGING_RULES='lumora.*=false')

# Every thread of the process: mpv's cores run threads of their own.
cpu_ns() { cat "/proc/$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d", s }'; }

# Starts "$@", waits until its output holds the pattern $wait (or 10 s), lets
# it settle $settle s, then prints its CPU nanoseconds over the window.
measure() {
  local wait=$1 settle=$2; shift 2
  "${run_env[@]}" "$@" >"$work/out" 2>/dev/null &
  app=$!
  for _ in $(seq 200); do
    { [ -z "$wait" ] || grep -q "$wait" "$work/out"; } && break
    sleep 0.05
  done
  sleep "$settle"
  local before after
  before=$(cpu_ns "$app")
  sleep "$window_s"
  after=$(cpu_ns "$app")
  kill "$app"; wait "$app" 2>/dev/null || true; app=""
  echo $((after - before))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

clip="$root/tests/data/media/clip.mp4"
peer=() idle=() ended=()
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs; ${window_s} s windows, $runs rounds"
for ((r = 1; r <= runs; r++)); do
  peer+=("$(measure "" 2 "$build/bench/idle/idle_peer")")
  idle+=("$(measure "title: 第1批共14批" 2 "$build/src/app/lumora" --report-state)")
  # The 2 s clip plays, ends, and the window stays as it left it.
  ended+=("$(measure "正在播放的节目" 4 "$build/src/app/lumora" --report-state "$clip")")
done
ms() { awk -v ns="$1" 'BEGIN { printf "%.2f", ns / 1e6 }'; }
p=$(printf '%s\n' "${peer[@]}" | median)
i=$(printf '%s\n' "${idle[@]}" | median)
e=$(printf '%s\n' "${ended[@]}" | median)
printf '%-44s %12s %14s\n' "CPU per ${window_s} s, median of $runs" "ms" "beyond peer"
printf '%-44s %12s %14s\n' "bare Qt window with a list (peer)" "$(ms "$p")" "-"
printf '%-44s %12s %14s\n' "lumora, list shown, nothing loaded" "$(ms "$i")" "$(ms $((i - p)))"
printf '%-44s %12s %14s\n' "lumora, after a clip has ended" "$(ms "$e")" "$(ms $((e - p)))"
