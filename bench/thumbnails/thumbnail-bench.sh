#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The list-image scroll benchmark: lumora-site's generated list of ENTRIES
# entries (default 10000), each with an image of its own address
# (/bench/list?images=bench), read as the window reads it and scrolled from
# top to bottom a page every 16 ms in a list set up as the window's, with the
# list images and without them, taking turns, RUNS times each (default 3),
# under a virtual display of its own (Xvfb; offscreen without it). Prints the
# worst and 99th-percentile frame and the resident memory the scroll added,
# side by side. Builds what it needs (Release, in build-bench unless
# BUILD_DIR says otherwise).
#
#   bench/thumbnails/thumbnail-bench.sh [ENTRIES] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
entries="${1:-10000}"
runs="${2:-3}"
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target lumora-site thumbnail_scroll_bench

work="$(mktemp -d)"
xvfb="" site=""
cleanup() {
  [ -n "$site" ] && kill "$site" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

display=()
if command -v Xvfb >/dev/null; then
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
  [ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
  display=(DISPLAY=":$(head -1 "$work/display")" QT_QPA_PLATFORM=xcb)
else
  display=(QT_QPA_PLATFORM=offscreen)
fi
"$build/src/site/lumora-site" --port 0 --quiet >"$work/site.log" 2>&1 &
site=$!
base=""
for _ in $(seq 200); do
  base="$(sed -n 's/^lumora-site listening on //p' "$work/site.log")"
  [ -n "$base" ] && break
  sleep 0.05
done
[ -n "$base" ] || { echo "lumora-site did not start" >&2; exit 1; }
url="$base/bench/list?entries=$entries&images=bench"

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs; $entries rows, a page every 16 ms"
printf '%-8s %-20s %-10s %-10s %-10s %-16s %s\n' run mode frames worst_ms p99_ms added_rss_MiB images_fetched
for run in $(seq "$runs"); do
  for mode in without with; do
    rm -rf "$work/cache"
    mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
    line="$(env -u http_proxy -u HTTP_PROXY "${display[@]}" HOME="$work" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" \
      "$build/bench/thumbnails/thumbnail_scroll_bench" "$url" "$mode" "$work/cache/thumbnails")"
    read -r _ frames _ worst _ p99 _ _ _ _ _ added _ fetched <<<"$line"
    label="images $mode"
    printf '%-8s %-20s %-10s %-10s %-10s %-16s %s\n' "$run" "$label" "$frames" "$worst" "$p99" \
      "$(awk -v k="$added" 'BEGIN { printf "%.1f", k / 1024 }')" "$fetched"
  done
done
echo "targets: worst frame under 50 ms; images add at most 64 MiB of resident memory"
