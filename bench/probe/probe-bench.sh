#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The stream-probe benchmark: builds what it needs (Release, in build-bench
# unless BUILD_DIR says otherwise) and times `lumora-cli probe` and ProbeStream
# over a 10-hop redirect chain on loopback beside `curl -sIL`, and one request
# through the worker and its pumped wait beside the same request made bare.
#
#   bench/probe/probe-bench.sh [CHAIN_RUNS] [REQUEST_RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"

command -v curl >/dev/null || { echo "missing curl (Debian: apt-get install curl)" >&2; exit 1; }
# Quiet when the build works; its whole output when it doesn't.
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target probe_bench lumora-cli lumora-cli-events

QT_QPA_PLATFORM=offscreen "$build/bench/probe/probe_bench" "${1:-100}" "${2:-500}" "$build/src/cli/lumora-cli"
