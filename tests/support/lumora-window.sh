# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the test scripts that drive lumora with xdotool: lumora_window
# PID prints the first visible window of PID, waiting for it up to 10 s;
# fails when none comes. wait_after (below) follows lumora's report.
lumora_window() {
  local i wid
  for ((i = 0; i < 100; i++)); do
    wid=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -1 || true)
    [ -n "$wid" ] && { echo "$wid"; return 0; }
    sleep 0.1
  done
  return 1
}

# wait_after PATTERN FROM_LINE SECONDS waits for a line matching PATTERN after
# line FROM_LINE of the report in $log, while lumora ($pid) runs; the log is
# read whole before matching (grep -q leaving a pipe early fails it under
# pipefail).
wait_after() {
  local i
  for ((i = 0; i < $3 * 10; i++)); do
    grep -q -- "$1" < <(tail -n +"$(($2 + 1))" "$log") && return 0
    kill -0 "$pid" 2>/dev/null || { echo "lumora ended early"; return 1; }
    sleep 0.1
  done
  echo "not seen within $3 s: $1"
  return 1
}
