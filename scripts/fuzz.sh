#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each one for a while.
#   scripts/fuzz.sh [seconds-per-target] [target-name-filter]
# Corpora and crash files are kept in build-fuzz/corpus/<target>/.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
filter=${2:-}
scripts/deps.sh build fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLEN_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "${JOBS:-$(nproc)}"
for exe in build-fuzz/fuzz/fuzz*; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe")
  [ -n "$filter" ] && [[ "$name" != *"$filter"* ]] && continue
  mkdir -p "build-fuzz/corpus/$name" "build-fuzz/crashes/$name"
  echo "== $name for ${secs}s"
  "$exe" -max_total_time="$secs" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/crashes/$name/" "build-fuzz/corpus/$name" 2>&1 \
    | grep -E 'stat::number_of_executed_units|stat::peak_rss_mb|ERROR|SUMMARY|Done' || true
done
