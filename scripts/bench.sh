#!/usr/bin/env bash
# Builds the release preset and runs the benchmarks: each module's process routine through its
# library and the stand-in host against its limit kernel and its plain per-sample form, and Nalto
# Pacer's minute against a naive clock. Every benchmark is repeated, in random order, and the
# summary at the end gives the ratios of the medians against the speed goals; the script fails
# when a goal is missed. On a busy machine the figures scatter: run it when the load is low.
#   bash scripts/bench.sh                              # everything
#   bash scripts/bench.sh --benchmark_filter=stepgate  # any Google Benchmark option
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target nalto_bench >/dev/null
build/release/bench/nalto_bench --benchmark_repetitions=15 --benchmark_min_time=0.05 \
  --benchmark_enable_random_interleaving=true "$@"
