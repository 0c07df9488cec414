#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Start-up to the first list on screen: the real lumora under a virtual
# display of its own against lumora-site on a free port, timed from its spawn
# to the title "第1批共14批搜索到：N个视频", beside the least a Qt Widgets
# program that shows such a list must do (bench/startup/StartupPeer.cpp: an
# empty window, then the same page fetched with libcurl), and beside that
# peer linked with libmpv (startup_peer_linked) and with what any player
# built on libmpv and an OpenGL picture sets up before its window is up
# (startup_peer_player), taking turns, RUNS times each (default 11). Builds what it needs (Release, in build-bench
# unless BUILD_DIR says otherwise). STARTUP_BENCH_BASELINE=PATH adds another
# lumora binary to the turns (e.g. one without a feature) with its ratio.
#
#   bench/startup/startup-bench.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
runs="${1:-11}"
command -v Xvfb >/dev/null || { echo "missing Xvfb (Debian: apt-get install xvfb)" >&2; exit 1; }
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target lumora lumora-site startup_peer startup_peer_linked startup_peer_player startup_bench

work="$(mktemp -d)"
xvfb="" site=""
cleanup() {
  [ -n "$site" ] && kill "$site" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"

# A display of its own: Xvfb picks a free number and writes it to fd 3.
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
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
host="${base#http://}"

# A UDP port nobody listens on, for lumora's handoff.
while :; do
  port=$((20000 + RANDOM % 40000))
  ss -Huln "sport = :$port" 2>/dev/null | grep -q . || break
done

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs"
env -u http_proxy -u HTTP_PROXY DISPLAY=":$(head -1 "$work/display")" HOME="$work/home" \
  XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
  LUMORA_INSTANCE_MARKER="lumora-startup-bench-$$" LUMORA_HANDOFF_PORT="$port" \
  LUMORA_CATALOGUE_HOST="$host" LUMORA_SERVICE_HOST="$host" \
  "$build/bench/startup/startup_bench" "$runs" "$build/src/app/lumora" "$build/bench/startup/startup_peer" "$base/" \
  "$build/bench/startup/startup_peer_linked" "$build/bench/startup/startup_peer_player"
