#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The list extraction benchmark: builds what it needs (Release, in build-bench
# unless BUILD_DIR says otherwise), writes a catalogue page of ENTRIES entries
# (default 100000, about 20 MB of GBK) into a temporary directory and times
# RegexObject beside iconv + pcre2grep and bare pcre2grep (RUNS times, default
# 7), then the whole `lumora-cli regex` process beside `pcre2grep -o1 -o2`,
# taking turns (PROCESS_RUNS times each, default 31).
#
#   bench/regex-bench.sh [ENTRIES] [RUNS] [PROCESS_RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
entries="${1:-100000}"
runs="${2:-7}"
process_runs="${3:-31}"

for tool in iconv pcre2grep; do
  command -v "$tool" >/dev/null || { echo "missing $tool (Debian: pcre2-utils, libc-bin)" >&2; exit 1; }
done
# Quiet when the build works; its whole output when it doesn't.
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target regex_bench regex_process_bench make_catalogue_page lumora-cli

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$build/bench/make_catalogue_page" "$work/page.html" "$entries"
"$build/bench/regex_bench" "$work/page.html" "$runs"
"$build/bench/regex_process_bench" "$build/src/cli/lumora-cli" "$work/page.html" "$process_runs"
