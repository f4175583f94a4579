#!/usr/bin/env bash
# Builds the libraries and runs the WMI query tool, wmiq, on the embedded platform layer.
# Usage: scripts/run.sh [wmiq arguments]   (without any, it lists this machine's processes)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
cmake --preset main >/dev/null
cmake --build --preset main -j "$(nproc)" >/dev/null
# The jar carries the libraries and loads them itself.
WMIQ_JAR=build/main/java/wmibridge.jar exec scripts/wmiq "$@"
