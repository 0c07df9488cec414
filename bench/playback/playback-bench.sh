#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The playback benchmarks: builds what they need (Release, in build-bench
# unless BUILD_DIR says otherwise) and makes a 720p, 30-second clip (H.264 and
# AAC) with ffmpeg in a temporary directory, then
#  1. times one 10 ms poll (MediaFront::PlayState) while the clip plays through
#     each engine, beside the same question asked of a bare libmpv handle,
#     POLL_SECONDS (default 5) per row;
#  2. plays the clip to its end with `lumora-cli play --null` and with
#     `mpv --no-config --vo=null --ao=null`, taking turns RUNS times (default
#     5), and prints the CPU time (user + sys) and the peak memory (max RSS)
#     of each, as medians, and the CPU ratio of each run.
#
#   bench/playback/playback-bench.sh [RUNS] [POLL_SECONDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
runs="${1:-5}"
pollSeconds="${2:-5}"

for tool in ffmpeg mpv /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (Debian: apt-get install ffmpeg mpv time)" >&2; exit 1; }
done
# Quiet when the build works; its whole output when it doesn't.
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target playback_poll_bench lumora-cli

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
clip="$work/clip-720p.mp4"
ffmpeg -v error -f lavfi -i "testsrc2=size=1280x720:rate=30:duration=30" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=30" \
  -c:v libx264 -preset veryfast -pix_fmt yuv420p -c:a aac -b:a 128k -shortest "$clip"

echo "== one 10 ms poll"
QT_QPA_PLATFORM=offscreen "$build/bench/playback/playback_poll_bench" "$clip" "$pollSeconds"

# Runs a command under /usr/bin/time; appends "cpu-seconds max-rss-KiB wall-seconds" to $1.
measure() {
  local into="$1"; shift
  /usr/bin/time -f "%U %S %M %e" -o "$work/time" "$@" >/dev/null 2>&1 || {
    echo "failed: $*" >&2; exit 1; }
  awk '{ printf "%.2f %d %.1f\n", $1 + $2, $3, $4 }' "$work/time" >>"$into"
}
lumora=(env QT_QPA_PLATFORM=offscreen "$build/src/cli/lumora-cli" play --null "$clip")
peer=(mpv --no-config --vo=null --ao=null "$clip")
: >"$work/lumora"; : >"$work/mpv"
for ((run = 1; run <= runs; run++)); do
  # Taking turns, each going first every other run.
  if ((run % 2)); then
    measure "$work/lumora" "${lumora[@]}"; measure "$work/mpv" "${peer[@]}"
  else
    measure "$work/mpv" "${peer[@]}"; measure "$work/lumora" "${lumora[@]}"
  fi
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
column() { awk -v c="$2" '{ print $c }' "$1" | median; }
echo
echo "== a 720p, 30-second clip played to its end, $runs runs each (medians)"
printf "%-44s %12s %14s %10s\n" "" "CPU s" "max RSS MiB" "wall s"
for who in lumora mpv; do
  name="lumora-cli play --null"; [ "$who" = mpv ] && name="mpv --no-config --vo=null --ao=null"
  printf "%-44s %12s %14.1f %10s\n" "$name" "$(column "$work/$who" 1)" \
    "$(awk "BEGIN { print $(column "$work/$who" 2) / 1024 }")" "$(column "$work/$who" 3)"
done
echo
echo "CPU lumora/mpv of each run: $(paste -d' ' "$work/lumora" "$work/mpv" | awk '{ printf "%.2f ", $1 / $4 }')"
awk -v a="$(column "$work/lumora" 1)" -v b="$(column "$work/mpv" 1)" 'BEGIN {
  ratio = b > 0 ? a / b : 0
  printf "CPU lumora/mpv: %.2f (goal: at most 1.05) %s\n", ratio, ratio <= 1.05 ? "met" : "NOT met" }'
