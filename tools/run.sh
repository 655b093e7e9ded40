#!/usr/bin/env bash
# Installs what is missing, builds the release programs and runs Lumivex.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-packages.sh build-essential cmake
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" >/dev/null
sample=tests/data/photos/canon-40d.jpg
echo "lumivex info $sample"
build/release/cli/lumivex info "$sample"
