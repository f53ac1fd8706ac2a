#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for the given number
# of seconds (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
bash scripts/setup.sh
if [ ! -f fuzz/CMakeLists.txt ]; then
  echo "no fuzz targets"; exit 0
fi
cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVANTOR_FUZZ=ON -DVANTOR_TESTS=OFF -DVANTOR_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target fuzz_all
for target in build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus=build-fuzz/corpus-$name
  mkdir -p "$corpus"
  seeds=fuzz/seeds/${name#fuzz_}
  echo "fuzzing $name for ${seconds}s"
  # A crashing input is saved under build-fuzz/, not in the working tree.
  "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/"$name"- \
    "$corpus" $( [ -d "$seeds" ] && echo "$seeds" ) 2>&1 | tail -n 15
done
