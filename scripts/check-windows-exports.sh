#!/usr/bin/env bash
# Checks that each Windows DLL exports exactly its JNI entry points, undecorated, and nothing else.
set -euo pipefail
build=${1:-build/windows}
status=0
for dll in "$build"/src/*.dll; do
  exports=$(x86_64-w64-mingw32-objdump -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $3}')
  count=$(printf '%s\n' "$exports" | grep -c . || true)
  stray=$(printf '%s\n' "$exports" | grep -v '^Java_com_zorvex_kestrin_quilmok_lib_' || true)
  echo "$(basename "$dll"): $count exports"
  if [ "$count" -eq 0 ] || [ -n "$stray" ]; then
    echo "unexpected exports in $dll: ${stray:-none at all}"
    status=1
  fi
done
exit $status
