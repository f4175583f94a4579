#!/usr/bin/env bash
# Builds everything and runs every test: the Linux build with its C++ and JUnit tests, the C++
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer, the Windows cross build
# with its scenarios run under Wine against Wine's own WMI, and the release jar assembled from
# those two builds and checked.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test

jobs=$(nproc)
echo "== Linux build and tests"
cmake --preset linux
cmake --build --preset linux -j "$jobs"
ctest --preset linux -j "$jobs"

echo "== C++ tests under the sanitizers"
cmake --preset linux-sanitize
cmake --build --preset linux-sanitize -j "$jobs"
ctest --preset linux-sanitize -j "$jobs"

echo "== Windows cross build"
cmake --preset windows
cmake --build --preset windows -j "$jobs"
scripts/check-windows-exports.sh build/windows

echo "== Windows scenarios under Wine"
ctest --preset windows

echo "== Release jar, POM and API documentation"
scripts/package.sh --linux-preset linux

echo "all tests passed"
