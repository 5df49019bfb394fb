#!/usr/bin/env bash
# Builds Scrivora with AddressSanitizer and UndefinedBehaviorSanitizer in its
# own folder and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

build_dir=build-test
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DSCRIVORA_SANITIZE=ON -DSCRIVORA_BENCH=OFF
cmake --build "$build_dir" -j "$jobs"

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
cd "$build_dir"
ctest --output-on-failure -j "$jobs"
