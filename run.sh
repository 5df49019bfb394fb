#!/usr/bin/env bash
# Builds Scrivora into build/ (programs in build/bin/) and runs the main job:
# compiles the bundled sample book and shows what is in it.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build
cmake --build build -j "$jobs"

sample=examples/sample.tml
out=build/sample.tdb
build/bin/scrivora-make -o "$out" "$sample"
build/bin/scrivora-inspect "$out"
