#!/usr/bin/env bash
# Builds the fuzzers (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each for
# FUZZ_SECONDS (default 20) from the seed corpus in fuzz/corpus/. Fails on any finding: a crash,
# a sanitizer report, a leak, a hang longer than 10 s, or a broken host check.
#   bash scripts/fuzz.sh                      # the short run that scripts/test.sh makes
#   FUZZ_SECONDS=600 bash scripts/fuzz.sh     # a longer local run
#   bash scripts/fuzz.sh pacer                # one module only
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-20}
modules=("$@")
[ ${#modules[@]} -gt 0 ] || modules=(stepgate arpline pacer)

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)" --target "${modules[@]/#/nalto_fuzz_}" >/dev/null

build=build/fuzz
failed=()
for module in "${modules[@]}"; do
  # New inputs go into the build tree; the repository's seeds are only read.
  corpus=$build/corpus/$module
  findings=$build/findings/$module
  mkdir -p "$corpus" "$findings"
  log=$build/fuzz-$module.log
  if "$build/fuzz/nalto_fuzz_$module" "$corpus" "fuzz/corpus/$module" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=2048 \
      -print_final_stats=1 -artifact_prefix="$findings/" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    failed+=("$module")
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  echo "fuzz $module: $result, ${runs:-?} executions in ${seconds} s, ${speed:-?} per second"
  if [ "$result" = FAILED ]; then
    tail -n 40 "$log"
    echo "the input that failed is in $findings/; replay it: $build/fuzz/nalto_fuzz_$module <file>"
  fi
done

[ ${#failed[@]} -eq 0 ] || { echo "fuzzing found faults in: ${failed[*]}"; exit 1; }
