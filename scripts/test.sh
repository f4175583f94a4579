#!/usr/bin/env bash
# Builds everything and runs every test: the Linux build with its C++ and JUnit tests, the C++
# tests and the JUnit suite again under AddressSanitizer and UndefinedBehaviorSanitizer (the JVM
# with the sanitizer runtime preloaded), each libFuzzer harness for a short time over its corpus,
# the Windows cross build with its scenarios run under Wine against Wine's own WMI, and the
# release jar assembled from those two builds and checked. Each part says how long it took.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test

jobs=$(nproc)
part_started=$SECONDS
took() {
  echo "-- $1 took $((SECONDS - part_started)) s"
  part_started=$SECONDS
}

echo "== Linux build and tests"
cmake --preset linux
cmake --build --preset linux -j "$jobs"
ctest --preset linux -j "$jobs"
took "the Linux build and tests"

echo "== C++ tests and the JUnit suite under the sanitizers"
cmake --preset linux-sanitize
cmake --build --preset linux-sanitize -j "$jobs"
ctest --preset linux-sanitize -j "$jobs"
took "the sanitizer build and tests"

echo "== Fuzzers, each for a short time over its corpus"
cmake --preset fuzz
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz -j "$jobs"
took "the fuzzers"

echo "== Windows cross build"
cmake --preset windows
cmake --build --preset windows -j "$jobs"
took "the Windows cross build"

echo "== Windows exports, and the scenarios under Wine"
ctest --preset windows
took "the Windows scenarios"

echo "== Release jar, POM and API documentation"
scripts/package.sh --linux-preset linux
took "the release jar"

echo "all tests passed"
