#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Playing in the window: the real lumora plays the 720p, 30-second clip in its
# window on a virtual display of its own (Xvfb, software GL), beside mpv
# playing the same clip in a window of the video area's size (580x476) on
# the same display. Builds what it needs (Release, in build-bench unless
# BUILD_DIR says otherwise), takes turns RUNS times (default 3) and prints the
# CPU time (user + sys), the peak memory (max RSS) and the wall time of each,
# as medians. lumora runs from its start until its status bar's clock,
# having counted up, falls back to 00:00:00 at the end of the clip; mpv until
# it exits at the end.
#
# mpv is shown twice: as asked (its own choice of video output, which here,
# finding only a software OpenGL renderer, is SDL), and with --vo=gpu --gpu-sw, the
# OpenGL renderer that lumora's engine draws with through libmpv's render
# API. There is no sound device here: lumora's engine finds none and plays
# the picture alone, while mpv --ao=null also decodes the sound.
#
# Three more rows tell what the way of drawing costs: the same libmpv render
# API code (bench/window/RenderPeer.cpp) drawing into a QOpenGLWidget inside
# a window of lumora's size, which Qt composes whole each frame; into a
# QOpenGLWindow of the video area's size, drawn directly; and into that
# QOpenGLWindow in a window container inside a window of lumora's size, a
# native child window swapped alone (lumora's way).
#
#   bench/window/window-bench.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
runs="${1:-3}"
size=580x476  # the video area of lumora's main window (680x556)

for tool in ffmpeg mpv Xvfb /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing $tool (Debian: apt-get install ffmpeg mpv xvfb time)" >&2; exit 1; }
done
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target lumora window_render_peer

work="$(mktemp -d)"
xvfb=""
player=""
cleanup() {
  [ -n "$player" ] && kill "$player" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
clip="$("$root/scripts/make-test-media.sh" --bench "$work/media")"
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"

# A display of its own: Xvfb picks a free number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
display=":$(head -1 "$work/display")"

# A UDP port nobody listens on, for lumora's handoff.
free_udp_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 40000))
    ss -Huln "sport = :$port" 2>/dev/null | grep -q . || { echo "$port"; return; }
  done
}

private=(env -u http_proxy -u HTTP_PROXY HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime"
  XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" DISPLAY="$display")

# "cpu-seconds max-rss-KiB wall-seconds" of the run, appended to $1.
record() { awk '/^[0-9.]+ [0-9.]+ [0-9]+ [0-9.]+$/ { printf "%.2f %d %.1f\n", $1 + $2, $3, $4 }' "$work/time" >>"$1"; }

run_lumora() {
  : >"$work/report"
  # Nothing listens on port 1: the start-up list fails at once and stays out of the figures.
  "${private[@]}" LUMORA_INSTANCE_MARKER="lumora-window-bench-$$-$RANDOM" LUMORA_HANDOFF_PORT="$(free_udp_port)" \
    LUMORA_CATALOGUE_HOST=127.0.0.1:1 LUMORA_SERVICE_HOST=127.0.0.1:1 \
    /usr/bin/time -f "%U %S %M %e" -o "$work/time" "$build/src/app/lumora" "$clip" --report-state \
    >"$work/report" 2>/dev/null &
  player=$!
  # The clock counts up while the clip plays and falls back to 0 at its end.
  local ended=""
  for _ in $(seq 1200); do
    if awk '/^status3: / { split($2, t, "/"); if (t[1] != "00:00:00") p = 1; else if (p) found = 1 }
            END { exit !found }' "$work/report"; then
      ended=1; break
    fi
    sleep 0.05
  done
  pkill -TERM -P "$player" 2>/dev/null || true
  wait "$player" 2>/dev/null || true
  player=""
  [ -n "$ended" ] || { echo "lumora did not play the clip to its end" >&2; cat "$work/report" >&2; exit 1; }
  record "$work/lumora"
}

run_mpv() {
  local into="$1"; shift
  "${private[@]}" /usr/bin/time -f "%U %S %M %e" -o "$work/time" \
    mpv --no-config "$@" --geometry="$size" --really-quiet "$clip" >/dev/null 2>&1 ||
    { echo "mpv failed: $*" >&2; exit 1; }
  record "$into"
}

run_peer() {
  "${private[@]}" /usr/bin/time -f "%U %S %M %e" -o "$work/time" \
    "$build/bench/window/window_render_peer" "$1" "$clip" >/dev/null 2>&1 ||
    { echo "window_render_peer $1 failed" >&2; exit 1; }
  record "$work/peer-$1"
}

: >"$work/lumora"; : >"$work/mpv"; : >"$work/mpv-gpu"
: >"$work/peer-widget"; : >"$work/peer-window"; : >"$work/peer-container"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs"
for ((run = 1; run <= runs; run++)); do
  if ((run % 2)); then
    run_lumora; run_mpv "$work/mpv" --ao=null; run_mpv "$work/mpv-gpu" --ao=null --vo=gpu --gpu-sw
    run_peer widget; run_peer window; run_peer container
  else
    run_peer container; run_peer window; run_peer widget
    run_mpv "$work/mpv-gpu" --ao=null --vo=gpu --gpu-sw; run_mpv "$work/mpv" --ao=null; run_lumora
  fi
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs"

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
column() { awk -v c="$2" '{ print $c }' "$1" | median; }
echo
echo "== a 720p, 30-second clip played in a ${size} video area under Xvfb, $runs runs each (medians)"
printf "%-64s %8s %12s %8s\n" "" "CPU s" "max RSS MiB" "wall s"
row() {
  printf "%-64s %8s %12.1f %8s\n" "$1" "$(column "$work/$2" 1)" \
    "$(awk "BEGIN { print $(column "$work/$2" 2) / 1024 }")" "$(column "$work/$2" 3)"
}
row "lumora CLIP (main window)" lumora
row "mpv --no-config --ao=null --geometry=$size" mpv
row "mpv --no-config --ao=null --vo=gpu --gpu-sw --geometry=$size" mpv-gpu
row "libmpv render API in a QOpenGLWidget, 680x556 window" peer-widget
row "libmpv render API in a QOpenGLWindow, $size" peer-window
row "libmpv render API in a window container, 680x556 window" peer-container
awk -v a="$(column "$work/lumora" 1)" -v b="$(column "$work/mpv" 1)" -v c="$(column "$work/mpv-gpu" 1)" 'BEGIN {
  ratio = b > 0 ? a / b : 0
  printf "\nCPU lumora/mpv: %.2f (goal: at most 1.10) %s\n", ratio, ratio <= 1.10 ? "met" : "NOT met"
  if (c > 0) printf "CPU lumora/mpv --vo=gpu: %.2f\n", a / c }'
