#!/usr/bin/env bash
# Runs each fuzz target of a KOVRA_FUZZ build for a while, from its seed
# corpus in fuzz/corpus/<name>/. A finding stops the run: libFuzzer prints
# the input and writes it to crash-* in the build folder; give that file to
# the target to reproduce it (build-fuzz/fuzz/fuzz_datagram crash-...).
#   tools/fuzz.sh [build folder] [seconds each]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build-fuzz}" && pwd)"
seconds="${2:-30}"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
for target in datagram stream picture colour text codec sealed; do
  work="$build/fuzz/corpus-$target"
  mkdir -p "$work"
  dictionary=()
  words="$root/fuzz/$target.dict"
  # A stream's commands are a datagram's, after the tag.
  [ "$target" = stream ] && words="$root/fuzz/datagram.dict"
  [ -f "$words" ] && dictionary=(-dict="$words")
  echo "Fuzzing $target for ${seconds}s"
  (cd "$build" && "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 \
     -rss_limit_mb=4096 -print_final_stats=1 "${dictionary[@]}" "$work" "$root/fuzz/corpus/$target")
done
