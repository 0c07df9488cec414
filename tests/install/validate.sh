#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a validator (its command line follows) and fails on any complaint it
# prints, not only on errors: warnings of desktop-file-validate and appstreamcli
# are what desktops act on. Exit 77 (skipped) when the tool is missing.
set -uo pipefail
command -v "$1" >/dev/null || { echo "SKIPPED: $1 is missing (desktop-file-utils, appstream)"; exit 77; }
output=$("$@" 2>&1)
status=$?
echo "$output"
[ "$status" -eq 0 ] || exit 1
# appstreamcli's summary line and its info/pedantic hints are no complaint.
complaints=$(grep -v -e '^✔' -e '^I: ' -e '^P: ' -e '^$' -e '^  ' <<<"$output")
if [ -n "$complaints" ]; then
  echo "FAILED: the validator complained"
  exit 1
fi
