#!/usr/bin/env bash
# Runs a Windows program under Wine, headless, in a private prefix.
# Usage: wine-run.sh <prefix> program.exe [arguments...]
#        wine-run.sh <prefix> --init       (re-creates the prefix; run once before the programs)
#        wine-run.sh <prefix> --shutdown   (stops the prefix's wine server)
set -euo pipefail
prefix=$(realpath -m "$1")
shift
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver

case "${1:-}" in
  --init)
    rm -rf "$prefix"
    mkdir -p "$prefix"
    "$wine" wineboot --init
    "$wineserver" --wait
    ;;
  --shutdown)
    "$wineserver" --kill || true
    ;;
  *)
    exec "$wine" "$@"
    ;;
esac
