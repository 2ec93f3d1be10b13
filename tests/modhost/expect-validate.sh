#!/usr/bin/env bash
# Runs `modhost validate` on one library with a fixed seed and checks its verdict: with "none"
# every check passes and the exit code is 0; otherwise the named check fails and the code is 1.
set -uo pipefail
modhost=$1
library=$2
expected=$3

output=$("$modhost" validate --seed 1 "$library" 2>&1)
status=$?
echo "$output"

if [ "$expected" = none ]; then
  [ "$status" -eq 0 ] || { echo "expected every check to pass; exit code $status"; exit 1; }
  exit 0
fi
[ "$status" -eq 1 ] || { echo "expected exit code 1, got $status"; exit 1; }
grep -Eq "^  FAIL  $expected( |$)" <<<"$output" || { echo "expected check $expected to fail"; exit 1; }
