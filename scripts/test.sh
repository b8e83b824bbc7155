#!/usr/bin/env bash
# Builds everything and runs every test: first a normal build, then the
# library alone as built without Qt and libcurl, then the same unit tests
# under AddressSanitizer + UndefinedBehaviorSanitizer, then the fuzz target
# over its kept corpus (every input that once found a fault), then the
# library cross-built as Tarnix.dll for 32-bit and 64-bit Windows and its
# tests run under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${JOBS:-2}
scripts/setup.sh

echo "== normal build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

echo "== library alone (-DTARNIX_LIBRARY_ONLY=ON, as if Qt and libcurl were absent)"
cmake -S . -B build-library-only -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNIX_LIBRARY_ONLY=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON -DCMAKE_DISABLE_FIND_PACKAGE_CURL=ON >/dev/null
cmake --build build-library-only -j"$jobs"
ctest --test-dir build-library-only --output-on-failure -j"$jobs"

echo "== sanitizer build (ASan + UBSan)"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNIX_SANITIZE=ON \
  -DTARNIX_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

echo "== fuzz corpus (libFuzzer + ASan)"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNIX_FUZZ=ON \
  -DTARNIX_BENCH=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_eval
build-fuzz/tests/library/fuzz_eval -runs=0 tests/library/fuzz

echo "== Tarnix.dll for Windows, 32-bit and 64-bit, tested under Wine"
JOBS="$jobs" scripts/test-windows.sh

echo "== all tests passed"
