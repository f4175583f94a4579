#!/usr/bin/env bash
# Checks that a bridge library (a Linux .so or a Windows DLL) exports exactly its JNI entry points,
# undecorated, and nothing else. Run by CTest for each library of the build.
set -euo pipefail
library=$1
case "$library" in
  *.dll)
    exports=$(x86_64-w64-mingw32-objdump -p "$library" |
      sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | awk '/^\t\[/ {print $3}') ;;
  *)
    exports=$(nm -D --defined-only "$library" | awk '{print $3}') ;;
esac
count=$(printf '%s\n' "$exports" | grep -c . || true)
stray=$(printf '%s\n' "$exports" | grep -v '^Java_com_zorvex_kestrin_quilmok_lib_' || true)
echo "$(basename "$library"): $count exports"
if [ "$count" -eq 0 ] || [ -n "$stray" ]; then
  echo "unexpected exports in $library: ${stray:-none at all}"
  exit 1
fi
