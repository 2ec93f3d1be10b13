#!/usr/bin/env bash
# Runs every test: installs what a fresh Debian 12 machine lacks, then builds and tests each build
# of the project in turn and tells how long each took.
#   native   64-bit Linux, with AddressSanitizer and UndefinedBehaviorSanitizer
#   linux32  32-bit Linux, SSE2: the host's record layouts with 4-byte addresses, under qemu-i386
#   win64    64-bit Windows: modules loaded by the Windows loader, tests under wine64
#   mingw32  the 32-bit Windows modules themselves: their headers (machine, exports, imports)
#   fuzz     each module's fuzzer for 20 s (clang, AddressSanitizer, UndefinedBehaviorSanitizer)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
timings=()
passed=0
ctest_log=$(mktemp)
trap 'rm -f "$ctest_log"' EXIT

# build_and_test <preset>: configures, builds and runs the tests of one build.
build_and_test() {
  local preset=$1 started=$SECONDS
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$jobs"
  ctest --preset "$preset" -j"$jobs" | tee "$ctest_log"
  passed=$((passed + $(grep -oP 'tests passed, 0 tests failed out of \K[0-9]+' "$ctest_log")))
  timings+=("$preset $((SECONDS - started)) s")
  echo "== $preset: $((SECONDS - started)) s"
}

build_and_test native
build_and_test linux32
build_and_test win64
build_and_test mingw32

# Each module's fuzzer for a bounded time from the seed corpus; any finding fails the run.
started=$SECONDS
echo "== fuzz"
bash scripts/fuzz.sh
passed=$((passed + 3))  # one fuzzer per module
timings+=("fuzz $((SECONDS - started)) s")

echo "== all tests passed"
printf '   %s\n' "${timings[@]}"
echo "tests: $passed passed, 0 failed"
