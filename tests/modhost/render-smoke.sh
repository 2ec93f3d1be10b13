#!/usr/bin/env bash
# `modhost render` on a demonstration patch: it succeeds and writes the outputs CSV, the events
# CSV and a timing diagram that names the module and its pins; a module with a MIDI output also
# gets a Standard MIDI File.
set -euo pipefail
modhost=$1
library=$2
patch=$3
folder=$4

rm -rf "$folder"
"$modhost" render "$library" "$patch" -o "$folder"
for file in outputs.csv events.csv timing.svg; do
  [ -s "$folder/$file" ] || { echo "missing or empty: $file"; exit 1; }
done
info=$("$modhost" info "$library")
name=$(head -n 1 <<<"$info")
grep -q "<svg" "$folder/timing.svg" || { echo "timing.svg is no SVG"; exit 1; }
grep -q ">$name" "$folder/timing.svg" || { echo "timing.svg does not name $name"; exit 1; }
grep -q "Outputs</text>" "$folder/timing.svg" || { echo "timing.svg has no output lanes"; exit 1; }
if grep -Eq ' out +MIDI' <<<"$info"; then
  [ "$(head -c 4 "$folder/midi-out.mid")" = "MThd" ] || { echo "midi-out.mid is no MIDI file"; exit 1; }
fi
