# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the test scripts that start lumora: free_udp_port prints a UDP
# port nobody has bound (no socket in /proc/net/udp or udp6 has it), for a
# private LUMORA_HANDOFF_PORT.
free_udp_port() {
  local try p
  for ((try = 0; try < 200; try++)); do
    p=$((20000 + RANDOM % 40000))
    if ! awk -v port="$(printf ':%04X' "$p")" 'FNR > 1 && substr($2, length($2) - 4) == port { found = 1 }
                                               END { exit !found }' /proc/net/udp /proc/net/udp6; then
      echo "$p"
      return 0
    fi
  done
  return 1
}
