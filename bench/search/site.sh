# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the search benchmarks: builds $target and lumora-site in $build,
# starts the site with --list-entries $entries (the demo pages for "demo") on a free loopback port and
# sets $host (127.0.0.1:PORT); the site stops when the script ends.

# Quiet when the build works; its whole output when it doesn't.
quiet() { local log; if ! log="$("$@" 2>&1)"; then echo "$log" >&2; exit 1; fi; }
if [ ! -f "$build/CMakeCache.txt" ]; then
  quiet cmake -S "$root" -B "$build" -G "Unix Makefiles" -DCMAKE_BUILD_TYPE=Release -DLUMORA_BENCH=ON
fi
quiet cmake --build "$build" -j2 --target "$target" lumora-site

work="$(mktemp -d)"
# ENTRIES "demo": the demo catalogue's own list pages, as ./run serves them.
generated=(--list-entries "$entries")
[ "$entries" = demo ] && generated=()
"$build/src/site/lumora-site" --listen 127.0.0.1 --port 0 --quiet "${generated[@]}" >"$work/site.log" 2>&1 &
site=$!
trap 'kill "$site" 2>/dev/null; wait "$site" 2>/dev/null || true; rm -rf "$work"' EXIT

# The site prints "lumora-site listening on http://127.0.0.1:PORT" once bound.
host=""
for _ in $(seq 200); do
  host="$(sed -n 's|^lumora-site listening on http://||p' "$work/site.log")"
  [ -n "$host" ] && break
  kill -0 "$site" 2>/dev/null || break
  sleep 0.05
done
[ -n "$host" ] || { echo "lumora-site did not start:" >&2; cat "$work/site.log" >&2; exit 1; }
