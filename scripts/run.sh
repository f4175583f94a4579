#!/usr/bin/env bash
# Builds the libraries and runs the WMI query tool on the embedded platform layer.
# Usage: scripts/run.sh [namespace] [WQL query]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
cmake --preset main >/dev/null
cmake --build --preset main -j "$(nproc)" >/dev/null
# The jar carries the libraries and loads them itself.
java -cp build/main/java/wmibridge.jar com.zorvex.kestrin.quilmok.lib.wmi.tools.WmiQuery "$@"
