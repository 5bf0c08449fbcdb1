#!/usr/bin/env bash
# The demo: trekvane on a replayed GPS log (samples/walk.nmea, a five-minute
# walk, replayed eight times faster than real time). With a display it opens
# the real window; without one it runs headless and writes screenshots.
# The device root and settings live in DEMO_DIR (default: build/demo) and are
# kept, so a second run starts where the first ended.
set -euo pipefail
BIN=${1:?build/bin folder}
shift || true
SAMPLES=$(cd "$(dirname "$0")" && pwd)
DEMO_DIR=${DEMO_DIR:-$(cd "$BIN/.." && pwd)/demo}
mkdir -p "$DEMO_DIR/root"
cp "$SAMPLES/device/thisdev.xml" "$DEMO_DIR/root/"
REGISTRY="$DEMO_DIR/registry.reg"
if [ ! -f "$REGISTRY" ]; then
  # Hours to UTC for Munich in summer, so that the first start asks nothing
  # and the program's clock follows the GPS time.
  cat > "$REGISTRY" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\SOFTWARE\Ostrafen\Trekvane]
"GPSSyncTime"="-2.000000"
"LAN"=""
REG
fi
ARGS=(--root "$DEMO_DIR/root" --registry "$REGISTRY" --oem "Trek Demo"
      --gps "file:$SAMPLES/walk.nmea@8" --trace "$DEMO_DIR/trace.txt")

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${DEMO_HEADLESS:-0}" != 1 ]; then
  echo "Trekvane demo: opening the window (close it or choose Tools > Exit to end)."
  echo "Settings: $REGISTRY   trace: $DEMO_DIR/trace.txt"
  exec "$BIN/trekvane" "${ARGS[@]}" "$@"
fi

SCRIPT="$DEMO_DIR/demo-script.txt"
cat > "$SCRIPT" <<SCR
# Five seconds of the walk, then each layout, a split screen, and back.
wait 5000
screenshot $DEMO_DIR/demo-tracking.png
command 40007
wait 500
screenshot $DEMO_DIR/demo-satellites.png
command 40003
command 40330
wait 500
screenshot $DEMO_DIR/demo-split.png
command 40330
wait 300
SCR
echo "Trekvane demo: no display, running headless with a script."
"$BIN/trekvane" --headless "${ARGS[@]}" --script "$SCRIPT" --screenshot "$DEMO_DIR/demo-exit.png" "$@"
echo "Screenshots: $DEMO_DIR/demo-*.png"
echo "What the shell did (trace):"
tail -n 25 "$DEMO_DIR/trace.txt"
