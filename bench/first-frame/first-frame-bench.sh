#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Time to the first frame: builds what it needs (Release, in build-bench
# unless BUILD_DIR says otherwise), makes the 720p, 30-second clip (and the
# same streams in FLV), serves them with nginx from a private configuration
# on a free port of 127.0.0.1, and times `lumora-cli play --null
# --first-frame` beside `mpv --no-config --vo=null --ao=null --frames=1`,
# RUNS times each (default 7), taking turns, on
#   local  the clip as a local file
#   http   the clip served directly (no extension: the player probes it)
#   r1     the same behind 1 redirect (nginx "return 302")
#   r8     behind 8 redirects (the most FFmpeg, and so mpv, follows)
#   r10    behind 10 redirects (mpv is given the 8-redirect chain instead)
#   flv    the FLV copy (".flv": the Flash engine, without a probe)
#
#   bench/first-frame/first-frame-bench.sh [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
runs="${1:-7}"

for tool in ffmpeg mpv nginx curl; do
  command -v "$tool" >/dev/null || { echo "missing $tool (Debian: apt-get install ffmpeg mpv nginx-light curl)" >&2; exit 1; }
done
# Quiet when the build works; its whole output when it doesn't.
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target first_frame_bench lumora-cli

work="$(mktemp -d)"
nginx_pid=""
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
clip="$("$root/scripts/make-test-media.sh" --bench "$work/media")"
ffmpeg -hide_banner -loglevel error -y -nostdin -i "$clip" -c copy -f flv "$work/media/bench-720p.flv"
mkdir -p "$work/www/v" "$work/nginx/tmp" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
ln -s "$clip" "$work/www/v/clip"
ln -s "$work/media/bench-720p.flv" "$work/www/v/clip.flv"

# nginx in the foreground of its own process, on a free port (a few tries).
nginx_config() {
  local port="$1" n
  echo "daemon off; master_process off; worker_processes 1; pid $work/nginx/nginx.pid;"
  echo "error_log $work/nginx/error.log;"
  echo "events { worker_connections 256; }"
  echo "http {"
  echo "  access_log off; sendfile on;"
  for dir in client_body proxy fastcgi uwsgi scgi; do echo "  ${dir}_temp_path $work/nginx/tmp/$dir;"; done
  # The clip has no extension: a type that names no Flash format, so the
  # player probes it and plays it with the media player engine.
  echo "  types { video/x-flv flv; } default_type video/quicktime;"
  echo "  server {"
  echo "    listen 127.0.0.1:$port; root $work/www;"
  echo "    location = /r1/clip { return 302 http://127.0.0.1:$port/v/clip; }"
  for n in $(seq 2 10); do
    echo "    location = /r$n/clip { return 302 http://127.0.0.1:$port/r$((n - 1))/clip; }"
  done
  echo "  }"
  echo "}"
}
port=""
for _ in $(seq 20); do
  candidate=$((20000 + RANDOM % 40000))
  nginx_config "$candidate" >"$work/nginx/nginx.conf"
  nginx -p "$work/nginx" -e "$work/nginx/error.log" -c "$work/nginx/nginx.conf" &
  nginx_pid=$!
  for _ in $(seq 100); do
    if curl -sf --noproxy '*' -o /dev/null -r 0-0 "http://127.0.0.1:$candidate/v/clip"; then port=$candidate; break 2; fi
    kill -0 "$nginx_pid" 2>/dev/null || break
    sleep 0.02
  done
  kill "$nginx_pid" 2>/dev/null || true
  wait "$nginx_pid" 2>/dev/null || true
  nginx_pid=""
done
[ -n "$port" ] || { echo "nginx did not start" >&2; cat "$work/nginx/error.log" >&2 || true; exit 1; }
base="http://127.0.0.1:$port"

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) CPUs"
env -u http_proxy -u HTTP_PROXY -u all_proxy -u ALL_PROXY \
  HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_CACHE_HOME="$work/home/.cache" TMPDIR="$work/runtime" QT_QPA_PLATFORM=offscreen \
  "$build/bench/first-frame/first_frame_bench" "$build/src/cli/lumora-cli" "$runs" \
  "local=$clip" "http=$base/v/clip" "r1=$base/r1/clip" "r8=$base/r8/clip" "r10=$base/r10/clip|$base/r8/clip" "flv=$base/v/clip.flv"
