#!/usr/bin/env bash
# Builds the libraries and runs the WMI query tool, wmiq, on the embedded platform layer.
# Usage: scripts/run.sh [NAMESPACE] [wmiq arguments]   (without any, it lists this machine's processes)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh run
cmake --preset main >/dev/null
cmake --build --preset main -j "$(nproc)" >/dev/null
# A first argument that names a namespace (root\cimv2, root\default) chooses it, as -n does:
# scripts/run.sh 'root\cimv2' 'SELECT * FROM Win32_BIOS'.
if [[ $# -ge 2 && "${1,,}" =~ ^root(\\.*)?$ ]]; then
  namespace=$1
  shift
  set -- -n "$namespace" "$@"
fi
# The jar carries the libraries and loads them itself.
WMIQ_JAR=build/main/java/wmibridge.jar exec scripts/wmiq "$@"
