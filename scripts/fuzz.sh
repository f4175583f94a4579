#!/usr/bin/env bash
# Runs every libFuzzer harness (preset fuzz: clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# for longer than the tests do: the WQL parser with evaluation, LIKE patterns, object paths, the
# MOF lexer and parser, and the number text against printf. Each starts from its corpus in
# fuzz/corpus/<name>; what it finds goes to build/fuzz/fuzz/found/<name>, and a crash, leak or
# failed check leaves its input in build/fuzz/fuzz/artifacts/. With --merge, the inputs that add
# coverage are merged into the corpus in the repository afterwards.
# Usage: scripts/fuzz.sh [--merge] [SECONDS_PER_FUZZER]   (default 600)
set -euo pipefail
cd "$(dirname "$0")/.."
merge=no
if [ "${1:-}" = "--merge" ]; then
  merge=yes
  shift
fi
seconds=${1:-600}
scripts/setup.sh test

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

out=build/fuzz/fuzz
mkdir -p "$out/artifacts"
status=0
for name in wql like object_path mof number_text; do
  echo "== fuzz_$name for ${seconds}s"
  mkdir -p "$out/found/$name"
  if ! "$out/fuzz_$name" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$out/artifacts/${name}-" "$out/found/$name" "fuzz/corpus/$name"; then
    echo "fuzz_$name found a failure: see $out/artifacts/"
    status=1
  fi
  if [ "$merge" = yes ]; then
    "$out/fuzz_$name" -merge=1 "fuzz/corpus/$name" "$out/found/$name"
  fi
done
exit $status
