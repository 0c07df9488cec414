#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The resume benchmark: builds what it needs (Release, in build-bench unless
# BUILD_DIR says otherwise), serves a SIZE_MIB file (default 512) with nginx
# on loopback, cuts a lumora-cli download at half, then continues it with
# `lumora-cli download` and, from the same cut, with `curl -C - -o`, taking
# turns ROUNDS times (default 5). Prints the bytes sent for the second half,
# throughput beside curl and peak memory. The files go to a temporary
# directory (TMPDIR), which needs three times SIZE_MIB free.
#
#   bench/download/resume-bench.sh [SIZE_MIB] [ROUNDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"

command -v curl >/dev/null || { echo "missing curl (Debian: apt-get install curl)" >&2; exit 1; }
export PATH="$PATH:/usr/sbin:/sbin"
command -v nginx >/dev/null || { echo "missing nginx (Debian: apt-get install nginx-light)" >&2; exit 1; }
# Quiet when the build works; its whole output when it doesn't.
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target resume_bench lumora-cli

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/bench/download/resume_bench" "$work" "$build/src/cli/lumora-cli" "$@"
