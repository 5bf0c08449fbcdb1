#!/usr/bin/env bash
# The demo: until the application window exists, it runs the command-line tool
# on the samples, in a scratch device root and registry that it removes again.
set -euo pipefail
BIN=${1:?build/bin folder}
SAMPLES=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/root"
cp "$SAMPLES/device/thisdev.xml" "$WORK/root/"
T=("$BIN/trektool" --root "$WORK/root" --registry "$WORK/registry.reg" --oem "Trek Demo")

echo "Trekvane demo: the application is not built yet; running trektool on the samples."
echo "Scratch device root: $WORK/root"
echo
echo "== settings of an empty registry (the defaults)"
"${T[@]}" settings
echo
echo "== device profile: samples/device/thisdev.xml for the OEM string \"Trek Demo\""
"${T[@]}" profile
echo
echo "== the profile saved the receiver; the backup file \\trekvane.reg holds:"
"${T[@]}" registry text "$WORK/root/trekvane.reg"
echo
echo "== registry file deleted; the next load restores it from the backup"
rm "$WORK/registry.reg"
"${T[@]}" settings
echo
"${T[@]}" --help
