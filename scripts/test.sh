#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test.
# VANTOR_SANITIZE=1 builds and tests with AddressSanitizer and UBSan in a
# separate build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

if [ "${VANTOR_SANITIZE:-0}" = 1 ]; then
  build=build-asan
  flags=(-DVANTOR_SANITIZE=ON -DVANTOR_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo)
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
else
  build=build
  flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi

cmake -S . -B "$build" -G Ninja "${flags[@]}" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 600
