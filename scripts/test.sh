#!/usr/bin/env bash
# Runs every test: installs what a fresh Debian 12 machine lacks, builds, and runs the suites.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
cmake --preset native >/dev/null
cmake --build --preset native -j"$jobs"
ctest --preset native -j"$jobs"
