#!/usr/bin/env bash
# Builds Scrivora into build/ (programs in build/bin/). With a display it then
# opens the bundled sample book in the editor; without one it compiles the
# sample book and shows what is in it.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build
cmake --build build -j "$jobs"

sample=examples/sample.tml
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/bin/scrivora "$sample"
fi

out=build/sample.tdb
build/bin/scrivora-make -o "$out" "$sample"
build/bin/scrivora-inspect "$out"
