#!/usr/bin/env bash
# Reads the headers of Windows module libraries and fails unless each one is a DLL for the given
# machine with an entry point, exports exactly getModuleProperties (ordinal 1) and makeModule
# (ordinal 2) by their plain names, and imports from KERNEL32 and the C runtime msvcrt only.
#
# usage: check-dll-headers.sh <objdump> <i386|x86-64> <library>...
set -euo pipefail

objdump=$1
machine=$2
shift 2

case $machine in
  i386) expected_magic=PE32 ;;
  x86-64) expected_magic=PE32+ ;;
  *) echo "unknown machine '$machine'" >&2; exit 2 ;;
esac
expected_exports=$'getModuleProperties 1\nmakeModule 2'
allowed_imports='^(kernel32|msvcrt)\.dll$'

# "name ordinal" per export, sorted by name. objdump lists each name with its index into the
# export address table; the ordinal is that index plus the table's ordinal base.
exports_of() {
  local base
  base=$(sed -n 's/^Ordinal Base[[:space:]]*\([0-9]*\)$/\1/p' <<<"$1")
  sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/ s/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\2 \1/p' \
    <<<"$1" | while read -r name index; do echo "$name $((index + base))"; done | sort
}

failed=0
for library in "$@"; do
  problems=()
  if ! headers=$("$objdump" -p "$library" 2>&1); then
    echo "FAIL $library: unreadable: $headers"
    failed=1
    continue
  fi

  format=$(sed -n 's/.*file format \(.*\)$/\1/p' <<<"$headers" | head -n1)
  magic=$(sed -n 's/^Magic[[:space:]]*[0-9a-f]*[[:space:]]*(\(.*\))$/\1/p' <<<"$headers")
  [ "$format" = "pei-$machine" ] && [ "$magic" = "$expected_magic" ] ||
    problems+=("machine: format $format, magic $magic; wanted pei-$machine, $expected_magic")

  grep -q $'^\tDLL$' <<<"$headers" || problems+=("not marked as a DLL")

  entry=$(sed -n 's/^AddressOfEntryPoint[[:space:]]*\([0-9a-f]*\)$/\1/p' <<<"$headers")
  [ -n "$entry" ] && [ $((16#$entry)) -ne 0 ] || problems+=("no entry point")

  exports=$(exports_of "$headers")
  [ "$exports" = "$expected_exports" ] ||
    problems+=("exports: $(tr '\n' ',' <<<"$exports") wanted getModuleProperties 1,makeModule 2")

  while read -r imported; do
    [ -z "$imported" ] || grep -qiE "$allowed_imports" <<<"$imported" ||
      problems+=("imports: $imported")
  done < <(sed -n 's/^[[:space:]]*DLL Name: \(.*\)$/\1/p' <<<"$headers")

  if [ ${#problems[@]} -eq 0 ]; then
    echo "ok   $library"
  else
    failed=1
    for problem in "${problems[@]}"; do echo "FAIL $library: $problem"; done
  fi
done
exit $failed
