#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The resume-position write benchmark: builds what it needs (Release, in
# build-bench unless BUILD_DIR says otherwise) and times what the GUI thread
# pays for the write the player makes every few seconds while a medium plays
# (one upsert into the history of a WAL database holding ENTRIES entries,
# default 1000), WRITES times (default 2000): the direct write on the
# calling thread as before, the call that queues it to the writer thread as
# now (paced, and back to back) and how long a queued write took to land:
# median, 99th percentile and worst, the target being under 5 ms on the GUI
# thread. Beside them the peer: the sqlite3 shell running the same upsert
# WRITES times on the same file with the same settings (WAL,
# synchronous=NORMAL, one transaction each), its mean per write from the
# whole run.
#
#   bench/library/library-bench.sh [WRITES] [ENTRIES]
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${BUILD_DIR:-$root/build-bench}"
writes="${1:-2000}"
entries="${2:-1000}"

command -v sqlite3 >/dev/null || { echo "missing sqlite3 (apt-get install sqlite3)" >&2; exit 1; }
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target library_bench

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "resume-position write: $writes writes into a history of $entries entries (file on $(df -P "$work" | awk 'NR==2 {print $1}'))"
"$build/bench/library/library_bench" "$work" "$writes" "$entries"

# The peer: the same statement, each its own transaction, in one sqlite3 process.
{
  echo "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL; PRAGMA busy_timeout=200;"
  for ((i = 0; i < writes; i++)); do
    id=$((100000 + i % entries))
    echo "INSERT INTO history(key, kind, reference, title, position, duration, played_at) VALUES('row:$id', 'row', '$id', '视频', $((5 * i)), 600, CAST(strftime('%s','now') AS INTEGER) * 1000) ON CONFLICT(key) DO UPDATE SET position = excluded.position, duration = excluded.duration, played_at = excluded.played_at;"
  done
} >"$work/peer.sql"
start=$(date +%s%N)
sqlite3 "$work/library.sqlite" <"$work/peer.sql" >/dev/null
end=$(date +%s%N)
awk -v ns=$((end - start)) -v n="$writes" \
  'BEGIN { printf "%-44s mean %7.3f ms (whole run, process start included)\n", "sqlite3 shell, the same upsert", ns / n / 1e6 }'
