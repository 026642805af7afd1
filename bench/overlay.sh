#!/usr/bin/env bash
# Runs the overlay benchmark on a display of its own: lumivast, gifview and the replay floor in
# turn (and OTHER_BINARY, another build of lumivast, where it is set; see overlay_bench.cpp).
# The desktop:
#   (none)          Xvfb alone
#   --compositor    Xvfb with xcompmgr
#   --picom         Xvfb with picom (xrender backend)
#   --mutter        GNOME's mutter on Xvfb, --kwin KDE's KWin on Xvfb (tests/support/desktop
#                   starts them as the tests do)
#   --weston        weston, headless (pixman), with XWayland
#   --sway          sway, headless (pixman), with XWayland (tests/support/desktop starts it),
#                   its output at scale 1, then 2: lumivast on its layer-shell surface, as
#                   "xwayland" its X way, and as "floor" layer_floor
# A compositor's CPU counts on the X server's side.
# Usage: bench/overlay.sh [--compositor|--picom|--mutter|--kwin|--weston|--sway] [RUNS] [SECONDS]
#        (defaults 3 and 20)
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
DESKTOP=bare
case "${1:-}" in
--compositor | --picom | --mutter | --kwin | --weston | --sway)
    DESKTOP="${1#--}"
    shift
    ;;
esac
for tool in gifview $([ "$DESKTOP" = compositor ] && echo xcompmgr) \
    $([ "$DESKTOP" = kwin ] && echo kwin_x11) \
    $([ "$DESKTOP" = bare ] || [ "$DESKTOP" = compositor ] || [ "$DESKTOP" = kwin ] ||
        echo "$DESKTOP"); do
    command -v "$tool" >/dev/null || { echo "needs $tool (apt install $tool)" >&2; exit 2; }
done
cmake --build "$ROOT/build" --target lumivast overlay_bench >/dev/null
if [ "$DESKTOP" = mutter ] || [ "$DESKTOP" = kwin ]; then
    COMPOSITOR="$([ "$DESKTOP" = kwin ] && echo kwin_x11 || echo mutter)"
    exec "$ROOT/tests/support/desktop" "${DESKTOP/kwin/kwin-x11}" sh -c "sleep 2; \
        \"$ROOT/build/overlay_bench\" \"$ROOT/build/lumivast\" \$(pgrep -n Xvfb) ${1:-3} \
        ${2:-20} \$(pgrep -n -x $COMPOSITOR)"
fi
if [ "$DESKTOP" = sway ]; then
    # As the tests start it; the programs run as this user, let into XWayland by the script.
    export LUMIVAST_BINARY="$ROOT/build/lumivast" LUMIVAST_WAYLAND_INPUT=/bin/true
    for desktop in sway sway-2; do
        echo "$desktop"
        "$ROOT/tests/support/desktop" $desktop sh -c "\"$ROOT/build/overlay_bench\" \
            \"$ROOT/build/lumivast\" \$(pgrep -n Xwayland) ${1:-3} ${2:-20} \$(pgrep -n -x sway)"
    done
    exit
fi
WORK="$(mktemp -d)"
PIDS=()
trap 'for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$WORK"' EXIT
COMPOSITORS=""
if [ "$DESKTOP" = weston ]; then
    export XDG_RUNTIME_DIR="$WORK/runtime"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    printf '[core]\nxwayland=true\n[shell]\npanel-position=none\nanimation=none\n' >"$WORK/w.ini"
    weston --backend=headless-backend.so --use-pixman --xwayland --width=1280 --height=1024 \
        --socket=lumivast-bench --config="$WORK/w.ini" >"$WORK/weston.log" 2>&1 &
    PIDS+=($!)
    COMPOSITORS=$!
    for _ in $(seq 100); do
        grep -q 'listening on display' "$WORK/weston.log" && break
        sleep 0.1
    done
    export DISPLAY="$(grep -o 'listening on display :[0-9]*' "$WORK/weston.log" | grep -o ':.*')"
    # XWayland starts with the first X client.
    xprop -root >/dev/null
    SERVER="$(pgrep -n Xwayland)"
else
    export DISPLAY=:97
    Xvfb "$DISPLAY" -screen 0 1280x1024x24 -noreset -nolisten tcp >/dev/null 2>&1 &
    SERVER=$!
    PIDS+=($SERVER)
    sleep 1
    case "$DESKTOP" in
    compositor) xcompmgr >/dev/null 2>&1 & ;;
    picom) picom --backend xrender >/dev/null 2>&1 & ;;
    esac
    if [ "$DESKTOP" != bare ]; then
        PIDS+=($!)
        COMPOSITORS=$!
        sleep 1
    fi
fi
"$ROOT/build/overlay_bench" "$ROOT/build/lumivast" "$SERVER" "${1:-3}" "${2:-20}" "$COMPOSITORS"
