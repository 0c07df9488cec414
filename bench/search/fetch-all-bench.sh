#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The all-pages benchmark: builds what it needs (Release, in build-bench
# unless BUILD_DIR says otherwise), starts lumora-site on a free loopback
# port with every list page ENTRIES entries long (default 10000; "demo": the
# demo catalogue's own pages) and times
# fetching all 14 list pages at once against the slowest single page, beside
# curl --parallel on the same 14 addresses, RUNS times each (default 7).
#
#   bench/search/fetch-all-bench.sh [ENTRIES] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
entries="${1:-10000}"
runs="${2:-7}"
target=fetch_all_bench
command -v curl >/dev/null || { echo "missing curl" >&2; exit 1; }
. "$root/bench/search/site.sh"
"$build/bench/search/fetch_all_bench" "$host" "$runs"
