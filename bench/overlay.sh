#!/usr/bin/env bash
# Runs the overlay benchmark on its own Xvfb server: lumivast and gifview in turn.
# Usage: bench/overlay.sh [RUNS] [SECONDS]   (defaults 3 and 20)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cmake --build "$ROOT/build" --target lumivast overlay_bench >/dev/null
DISPLAY_NUMBER=97
Xvfb ":$DISPLAY_NUMBER" -screen 0 1280x1024x24 -noreset -nolisten tcp >/dev/null 2>&1 &
SERVER=$!
trap 'kill $SERVER 2>/dev/null || true' EXIT
sleep 1
DISPLAY=":$DISPLAY_NUMBER" "$ROOT/build/overlay_bench" "$ROOT/build/lumivast" "$SERVER" "${1:-3}" "${2:-20}"
