#!/usr/bin/env bash
# Builds the three modules and runs the main demonstration.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)"
echo "modules built in build/release/modules:"
ls -1 build/release/modules
