#!/usr/bin/env bash
# Captures Wine's WMI again into the fixture tests/fixtures/wine: the MOF of its classes (mof/) and
# Wine's answers to the list of reads (answers.txt), which the Linux tests replay in the emulator.
# Review the differences the Linux test then reports: fix the emulator, or list each one with its
# reason in tests/fixtures/wine/differences.txt and in README.md.
# Usage: scripts/capture-wine.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh test
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target scenario_host wmijni wmicred >/dev/null
prefix=build/windows/wineprefix
[ -d "$prefix/drive_c" ] || cmake/wine-run.sh "$prefix" --init
status=0
WMIBRIDGE_WINE_FIXTURE=$PWD/tests/fixtures/wine WMIBRIDGE_WINE_OUTPUT=$PWD/tests/fixtures/wine \
  cmake/wine-run.sh "$prefix" build/windows/tests/windows/scenario_host.exe build/windows/src wine_compare || status=$?
cmake/wine-run.sh "$prefix" --shutdown
echo "tests/fixtures/wine written (the scenario's own check against the old fixture exited $status)"
