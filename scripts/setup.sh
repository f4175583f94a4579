#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
# Usage: scripts/setup.sh [run|package|test|bench]
#   run: what the main job needs; package: that and the Windows cross compiler; bench: that,
#   Google Benchmark and Wine (scripts/bench.sh); test: everything
set -euo pipefail
purpose=${1:-test}

# picocli and gson: the query tool's option parser and JSON writer, which every build compiles.
packages=(cmake ninja-build g++ openjdk-17-jdk-headless libpicocli-java libgoogle-gson-java)
if [ "$purpose" = package ] || [ "$purpose" = test ] || [ "$purpose" = bench ]; then
  packages+=(g++-mingw-w64-x86-64 mingw-w64-x86-64-dev binutils-mingw-w64-x86-64)
fi
if [ "$purpose" = bench ] || [ "$purpose" = test ]; then
  # The Linux build with tests compiles the benchmarks too, so that they do not rot.
  packages+=(libbenchmark-dev wine64)
fi
if [ "$purpose" = test ]; then
  # clang and its runtimes (libFuzzer, the sanitizers) for the fuzzers of scripts/fuzz.sh.
  packages+=(junit5 libgtest-dev libgmock-dev clang libclang-rt-dev)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
