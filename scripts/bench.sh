#!/usr/bin/env bash
# Runs every benchmark and prints each figure as a ratio to a floor measured in the same run:
#   the C++ side (Google Benchmark: collecting a query's objects, the emulator at 1k/10k/100k),
#   the JNI side (a Java harness: property reads, walking a result set, two threads against one,
#   Win32_Process against reading /proc), and, when the Windows cross build and Wine are at hand,
#   the Windows DLL under Wine against direct COM calls in the scenario host.
# The last line sums every ratio up. The tests never run any of this.
# Usage: scripts/bench.sh [--no-wine]
set -euo pipefail
cd "$(dirname "$0")/.."
wine=yes
[ "${1:-}" = "--no-wine" ] && wine=no
scripts/setup.sh bench

log=$(mktemp)
trap 'rm -f "$log"' EXIT
echo "== machine: $(nproc) processors, load $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$log"

echo "== build (preset bench)"
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)" >/dev/null

echo "== C++: collection against a drained enumerator, the emulator at scale" | tee -a "$log"
# The medians, then the figures; the means, deviations and variations are left out.
build/bench/bench/wmibench --benchmark_color=false 2>&1 | grep -vE '_(mean|stddev|cv) ' | tee -a "$log"
echo "== C++: MOF loads with the heap handing back its memory (each load touches fresh pages)" | tee -a "$log"
build/bench/bench/wmibench --fresh-pages --benchmark_filter='mof_load' 2>&1 | grep -E '^(FIGURE|VALUE)' | tee -a "$log"

echo "== JNI: the bridge against bench-only floors, in one JVM" | tee -a "$log"
# shellcheck disable=SC1091
. build/bench/bench/java-bench.env
java -Djava.library.path="$BENCH_LIBRARY_PATH" -cp "$BENCH_CLASSPATH" \
  com.zorvex.kestrin.quilmok.bench.BridgeBench 2>&1 | tee -a "$log"

if [ "$wine" = yes ]; then
  echo "== Windows: the DLL under Wine against direct COM, in the scenario host" | tee -a "$log"
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$(nproc)" --target scenario_host >/dev/null
  prefix=build/windows/wineprefix
  [ -f "$prefix/system.reg" ] || cmake/wine-run.sh "$prefix" --init >/dev/null 2>&1
  cmake/wine-run.sh "$prefix" build/windows/tests/windows/scenario_host.exe build/windows/src --bench 2>&1 \
    | tr -d '\r' | tee -a "$log"
  cmake/wine-run.sh "$prefix" --shutdown >/dev/null 2>&1 || true
fi

echo "== machine after: load $(cut -d' ' -f1-3 /proc/loadavg)" | tee -a "$log"
summary=$(grep '^FIGURE' "$log" | awk '{
  mark = ""
  if ($0 ~ /MISSED/) mark = "!"
  printf "%s%s=%s%s", (NR > 1 ? " " : ""), $2, $3, mark
}')
echo "summary (ratios to floors; ! = target missed): $summary"
