#!/usr/bin/env bash
# Start-up to the first list on screen: the real lumora under a virtual
# display against lumora-site on a free port, timed from process start to the
# title "第1批共14批搜索到：N个视频", beside curl fetching the same page.
#
#   bench/startup/startup-bench.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
runs="${1:-11}"
for tool in curl Xvfb; do command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }; done
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target lumora lumora-site >/dev/null

work="$(mktemp -d)"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
"$build/src/site/lumora-site" --port 0 --quiet >"$work/site.log" 2>&1 &
site=$!
trap 'kill $site $xvfb 2>/dev/null; wait 2>/dev/null || true; rm -rf "$work"' EXIT
base=""
for _ in $(seq 200); do
  base="$(sed -n 's/^lumora-site listening on //p' "$work/site.log")"
  [ -n "$base" ] && break
  sleep 0.05
done
[ -n "$base" ] || { echo "lumora-site did not start" >&2; exit 1; }
host="${base#http://}"
# A marker of its own: a Lumora the user runs meanwhile is not handed the runs.
export LUMORA_INSTANCE_MARKER="lumora-startup-bench $$"

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

lumora_times=() curl_times=()
for _ in $(seq "$runs"); do
  start=$(now)
  DISPLAY="$display" LUMORA_CATALOGUE_HOST="$host" LUMORA_SERVICE_HOST="$host" \
    "$build/src/app/lumora" --report-state >"$work/report" 2>/dev/null &
  player=$!
  for _ in $(seq 2000); do
    grep -q '^title: 第1批共14批搜索到：' "$work/report" 2>/dev/null && break
    sleep 0.002
  done
  lumora_times+=("$(awk -v a="$(now)" -v b="$start" 'BEGIN {print a - b}')")
  grep -q '^title: 第1批共14批搜索到：' "$work/report" || { echo "lumora showed no list" >&2; exit 1; }
  kill "$player"; wait "$player" 2>/dev/null || true
  start=$(now)
  curl -s "$base/" >/dev/null
  curl_times+=("$(awk -v a="$(now)" -v b="$start" 'BEGIN {print a - b}')")
done
l=$(printf '%s\n' "${lumora_times[@]}" | median)
c=$(printf '%s\n' "${curl_times[@]}" | median)
printf '%-48s %10s\n' "" "median s"
printf '%-48s %10.4f\n' "lumora: start to the first list on screen" "$l"
printf '%-48s %10.4f\n' "curl: the same page" "$c"
grep '^title: 第1批' "$work/report" | head -1
