#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fuzzes each target (or only TARGET) for SECONDS with libFuzzer, one after
# the other, at the lowest priority. Builds the targets with clang in
# build-fuzz first. New inputs go to build-fuzz/corpus/NAME (the committed
# seeds stay as they are); a crash is written to build-fuzz/crashes/NAME.
#
#   fuzz/run-fuzz.sh SECONDS [TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:?usage: fuzz/run-fuzz.sh SECONDS [TARGET]}
only=${2:-}
build=${LUMORA_FUZZ_BUILD:-build-fuzz}

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_FUZZ=ON \
  -DLUMORA_BENCH=OFF >/dev/null
targets=$(cd fuzz/corpus && ls)
[[ -n $only ]] && targets=$only
for name in $targets; do
  nice -n 19 cmake --build "$build" -j2 --target "fuzz-$name" >/dev/null
done

export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
status=0
for name in $targets; do
  corpus=$build/corpus/$name
  crashes=$build/crashes/$name
  mkdir -p "$corpus" "$crashes"
  started=$build/crashes/.started-$name
  touch "$started"
  echo "== $name: $seconds s"
  # The list reader spreads a page over blocks of 64 KiB; longer inputs reach them sooner.
  extra=()
  [[ $name == list-reader ]] && extra=(-max_len=16384)
  if ! nice -n 19 "$build/fuzz/fuzz-$name" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$crashes/" "${extra[@]}" "$corpus" "fuzz/corpus/$name" 2>&1 |
       grep -E '^(#[0-9]+ +DONE|stat::number_of_executed_units|==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)'; then
    :
  fi
  found=$(find "$crashes" -type f -newer "$started")
  if [[ -n $found ]]; then
    echo "   findings of this run:"; echo "$found"; status=1
  fi
done
exit $status
