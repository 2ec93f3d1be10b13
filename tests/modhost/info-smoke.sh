#!/usr/bin/env bash
# `modhost info` on a test module: the table names every pin with its type and list choices, and
# the JSON form carries the same.
set -euo pipefail
modhost=$1
library=$2

table=$("$modhost" info "$library")
echo "$table"
for expected in 'Nalto Test Clean' '"Gain"  *in   list *2 \(Whole\) *Half=1, Whole=2' \
                '"Out"  *out  stream' '"MIDI In"  *in   MIDI'; do
  grep -Eq "$expected" <<<"$table" || { echo "missing from the table: $expected"; exit 1; }
done

json=$("$modhost" info --json "$library")
for expected in '"name": "Nalto Test Clean"' '"label": "Half"' '"dataType": "stream"'; do
  grep -Fq "$expected" <<<"$json" || { echo "missing from the JSON: $expected"; exit 1; }
done
