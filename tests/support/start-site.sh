# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the test scripts that start lumora: start_site SITE LOG starts
# lumora-site on a free port, stops it when the script exits, and sets
# site_port once the site says where it listens (about 10 s at most).
start_site() {
  local site=$1 log=$2 i
  # The log exists before it is read: the background job opens it on its own time.
  : >"$log"
  "$site" --port 0 --quiet >"$log" 2>&1 &
  site_pid=$!
  trap 'kill $site_pid 2>/dev/null || true; wait $site_pid 2>/dev/null || true' EXIT
  site_port=
  for ((i = 0; i < 100; i++)); do
    site_port=$(sed -n 's#^lumora-site listening on http://127\.0\.0\.1:\([0-9]*\)$#\1#p' "$log")
    [ -n "$site_port" ] && return 0
    sleep 0.1
  done
  echo "lumora-site did not start"
  cat "$log"
  return 1
}
