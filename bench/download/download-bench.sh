#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The download benchmark: builds what it needs (Release, in build-bench unless
# BUILD_DIR says otherwise) and downloads a SIZE_MIB file (default 1024) served
# on loopback with `curl -o`, `lumora-cli download` and DownloadToFile, taking
# turns ROUNDS times (default 3), then once through StartDownload in the window while a timer
# measures how late the event loop runs. The files go to a temporary directory
# (TMPDIR), which needs twice SIZE_MIB free.
#
#   bench/download/download-bench.sh [SIZE_MIB] [ROUNDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"

command -v curl >/dev/null || { echo "missing curl (Debian: apt-get install curl)" >&2; exit 1; }
# Quiet when the build works; its whole output when it doesn't.
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target download_bench lumora-cli

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
QT_QPA_PLATFORM=offscreen "$build/bench/download/download_bench" "$work" "$build/src/cli/lumora-cli" "$@"
