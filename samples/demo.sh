#!/usr/bin/env bash
# The demo: until the application window exists, it shows the command-line tool.
set -euo pipefail
BIN=${1:?build/bin folder}
echo "Trekvane demo: the application is not built yet; showing trektool instead."
"$BIN/trektool" --help
