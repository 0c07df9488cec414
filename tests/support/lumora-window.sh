# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the test scripts that drive lumora with xdotool: lumora_window
# PID prints the first visible window of PID, waiting for it up to 10 s;
# fails when none comes.
lumora_window() {
  local i wid
  for ((i = 0; i < 100; i++)); do
    wid=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -1 || true)
    [ -n "$wid" ] && { echo "$wid"; return 0; }
    sleep 0.1
  done
  return 1
}
