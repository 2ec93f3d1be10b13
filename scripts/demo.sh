#!/usr/bin/env bash
# Builds the three modules for the host's platform, 32-bit Windows, into dist/ with the zip a
# musician installs from, and runs the main demonstration.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)

# dist/ holds exactly what this build delivers.
rm -rf dist
cmake --preset mingw32 >/dev/null
cmake --build --preset mingw32 -j"$jobs"
cmake --build --preset mingw32-zip
echo "32-bit Windows modules and their zip in dist/:"
ls -1 dist

cmake --preset release >/dev/null
cmake --build --preset release -j"$jobs"
echo "modules built in build/release/modules:"
ls -1 build/release/modules

# Every demonstration patch in examples/ played through its module by the command-line host.
rm -rf out
for patch in examples/*.json; do
  demo=$(basename "$patch" .json)
  case "$demo" in
    pacer-*) module="Nalto Pacer" ;;
    stepgate-*) module="Nalto Stepgate" ;;
    arpline-*) module="Nalto Arpline" ;;
  esac
  build/release/modhost render "$module" "$patch" -o "out/$demo" >/dev/null
done
echo "timing diagrams of the demonstrations (open them in a browser):"
for picture in out/*/timing.svg; do echo "  $PWD/$picture"; done
