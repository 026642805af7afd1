#!/usr/bin/env bash
# Runs the overlay benchmark on its own Xvfb server: lumivast, gifview and the replay floor in
# turn. With --compositor, a compositing manager (xcompmgr) runs too and its CPU counts on the
# X server's side.
# Usage: bench/overlay.sh [--compositor] [RUNS] [SECONDS]   (defaults 3 and 20)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
COMPOSITE=no
if [ "${1:-}" = --compositor ]; then
    COMPOSITE=yes
    shift
    command -v xcompmgr >/dev/null || { echo "needs xcompmgr (apt install xcompmgr)" >&2; exit 2; }
fi
cmake --build "$ROOT/build" --target lumivast overlay_bench >/dev/null
DISPLAY_NUMBER=97
Xvfb ":$DISPLAY_NUMBER" -screen 0 1280x1024x24 -noreset -nolisten tcp >/dev/null 2>&1 &
SERVER=$!
COMPOSITOR=0
trap 'kill $SERVER 2>/dev/null || true; [ $COMPOSITOR = 0 ] || kill $COMPOSITOR 2>/dev/null || true' EXIT
sleep 1
if [ $COMPOSITE = yes ]; then
    DISPLAY=":$DISPLAY_NUMBER" xcompmgr >/dev/null 2>&1 &
    COMPOSITOR=$!
    sleep 1
fi
DISPLAY=":$DISPLAY_NUMBER" "$ROOT/build/overlay_bench" "$ROOT/build/lumivast" "$SERVER" \
    "${1:-3}" "${2:-20}" "$COMPOSITOR"
