#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The search benchmark: builds what it needs (Release, in build-bench unless
# BUILD_DIR says otherwise), starts lumora-site on a free loopback port with
# every list page ENTRIES entries long (default 10000) and times each
# keystroke of a few typed queries in the window's search box (offscreen),
# key to results drawn, beside grep over the same titles.
#
#   bench/search/search-bench.sh [ENTRIES] [ROUNDS]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
entries="${1:-10000}"
rounds="${2:-5}"
target=search_keystroke_bench
. "$root/bench/search/site.sh"
"$build/bench/search/search_keystroke_bench" "$host" "$rounds"
