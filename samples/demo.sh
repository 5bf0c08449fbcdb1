#!/usr/bin/env bash
# The demo: trekvane on the sample map (samples/map) with a replayed walk
# across it (samples/map/walk.nmea, 502 fixes one second apart, replayed ten
# times faster than real time). The map follows the position and the walk is
# recorded into a tour that is drawn as it grows. With a display it opens the
# real window; without one it runs headless and writes screenshots.
#
# The device root and settings live in DEMO_DIR (default: build/demo) and are
# kept, so a second run starts where the first ended (the same tour goes on).
# Inside the device root, "\Trekvane" is the data folder and only search path:
#   Trekvane/Maps   the sample map        Trekvane/POI   the POI symbols
#   Trekvane/Tour   the recorded tour
set -euo pipefail
BIN=${1:?build/bin folder}
shift || true
SAMPLES=$(cd "$(dirname "$0")" && pwd)
DEMO_DIR=${DEMO_DIR:-$(cd "$BIN/.." && pwd)/demo}
ROOT="$DEMO_DIR/root"
DATA="$ROOT/Trekvane"
TOUR="$DATA/Tour/Demo.TUR"
REGISTRY="$DEMO_DIR/registry.reg"

mkdir -p "$DATA/Maps" "$DATA/POI" "$DATA/Tour"
cp "$SAMPLES/device/thisdev.xml" "$ROOT/"
cp "$SAMPLES/map/demo_map.CAL" "$SAMPLES/map/demo_map.png" "$DATA/Maps/"
cp "$SAMPLES"/poi/*.bmp "$SAMPLES/poi/hotspot.txt" "$DATA/POI/"

# The tour being recorded: started by trektool from the first fixes of the
# walk; trekvane continues it ("CurTour") as the replay goes on.
if [ ! -f "$TOUR" ]; then
  rm -f "$REGISTRY"
  if [ -x "$BIN/trektool" ]; then
    head -n 60 "$SAMPLES/map/walk.nmea" > "$DEMO_DIR/walk-start.nmea"
    # A root and registry of its own: its settings backup must not become the demo's.
    mkdir -p "$DEMO_DIR/trektool"
    "$BIN/trektool" --root "$DEMO_DIR/trektool" --registry "$DEMO_DIR/trektool/registry.reg" \
      record "$DEMO_DIR/walk-start.nmea" "$TOUR" > /dev/null
    # A camp site at its last point shows a symbol of the POI folder.
    LAST=$("$BIN/trektool" tour points "$TOUR" | tail -n 1 | sed -n 's/.*"offset": *\([0-9]*\).*/\1/p')
    [ -n "$LAST" ] && "$BIN/trektool" tour attach "$TOUR" "$LAST" camping > /dev/null
  else
    echo "demo: $BIN/trektool is missing; the walk is shown but not recorded."
  fi
fi

# Settings of a first run (a registry from an older demo is replaced):
#   Folders      the data folder as the only search path (maps, tours, POI symbols)
#   cfg4         the defaults plus "follow the GPS position" at start (bit 23)
#   GPSSyncTime  hours to UTC for Munich in summer, so that the first start asks
#                nothing and the program's clock follows the GPS time
# No map position is stored: the view starts at the default position and
# scale (1:8600), which lies on the sample map.
if ! grep -q '^"Folders"' "$REGISTRY" 2>/dev/null; then
  {
    printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrafen\\Trekvane]\n'
    printf '"GPSSyncTime"="-2.000000"\n"LAN"=""\n'
    printf '"Folders"="\\\\Trekvane"\n'
    printf '"cfg4"=dword:00865800\n'
    [ -f "$TOUR" ] && printf '"CurTour"="%s"\n' "$TOUR"
  } > "$REGISTRY"
fi
ARGS=(--root "$ROOT" --registry "$REGISTRY" --oem "Trek Demo"
      --gps "file:$SAMPLES/map/walk.nmea@10" --trace "$DEMO_DIR/trace.txt")

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${DEMO_HEADLESS:-0}" != 1 ]; then
  echo "Trekvane demo: opening the window (close it or choose Tools > Exit to end)."
  echo "Settings: $REGISTRY   trace: $DEMO_DIR/trace.txt"
  exec "$BIN/trekvane" "${ARGS[@]}" "$@"
fi

SCRIPT="$DEMO_DIR/demo-script.txt"
cat > "$SCRIPT" <<SCR
# The walk takes 50 s at ten times real time: a picture every 12 s, then
# a split screen with both moving maps.
wait 6000
screenshot $DEMO_DIR/demo-walk-1.png
wait 12000
screenshot $DEMO_DIR/demo-walk-2.png
wait 12000
screenshot $DEMO_DIR/demo-walk-3.png
wait 12000
screenshot $DEMO_DIR/demo-walk-4.png
command 40330
wait 1000
screenshot $DEMO_DIR/demo-split.png
command 40330
wait 300
command 0
SCR
echo "Trekvane demo: no display, running headless with a script (about 45 s)."
"$BIN/trekvane" --headless "${ARGS[@]}" --script "$SCRIPT" --screenshot "$DEMO_DIR/demo-exit.png" "$@"
echo "Screenshots: $DEMO_DIR/demo-*.png"
echo "What the shell did (trace):"
tail -n 25 "$DEMO_DIR/trace.txt"
