#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The catalogue list benchmark: builds what it needs (Release, in build-bench
# unless BUILD_DIR says otherwise), starts lumora-site on a free loopback
# port and times `lumora-cli list` over its generated list page of ENTRIES
# entries (default 10000) beside `curl -s URL | grep -oP PATTERN` on the same
# page, taking turns, RUNS times each (default 21).
#
#   bench/catalogue/catalogue-bench.sh [ENTRIES] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
entries="${1:-10000}"
runs="${2:-21}"

for tool in curl grep; do
  command -v "$tool" >/dev/null || { echo "missing $tool" >&2; exit 1; }
done
# Quiet when the build works; its whole output when it doesn't.
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target catalogue_bench lumora-cli lumora-site

work="$(mktemp -d)"
"$build/src/site/lumora-site" --listen 127.0.0.1 --port 0 --quiet >"$work/site.log" 2>&1 &
site=$!
trap 'kill "$site" 2>/dev/null; wait "$site" 2>/dev/null || true; rm -rf "$work"' EXIT

# The site prints "lumora-site listening on http://127.0.0.1:PORT" once bound.
base=""
for _ in $(seq 200); do
  base="$(sed -n 's/^lumora-site listening on //p' "$work/site.log")"
  [ -n "$base" ] && break
  kill -0 "$site" 2>/dev/null || break
  sleep 0.05
done
[ -n "$base" ] || { echo "lumora-site did not start:" >&2; cat "$work/site.log" >&2; exit 1; }
url="$base/bench/list?entries=$entries"

"$build/bench/catalogue/catalogue_bench" "$build/src/cli/lumora-cli" "$url" "$runs"
