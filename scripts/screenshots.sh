#!/usr/bin/env bash
# Renders every shipped product panel, as the program shows it once a device has answered, into
# docs/screenshots/<panel>.png (Qt's offscreen platform: no display needed).
# Usage: screenshots.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
./scripts/install-deps.sh
cmake -S . -B "$dir" -G Ninja -DCORVANE_BUILD_VIEW=ON >/dev/null
cmake --build "$dir" --target corvane-screenshot corvane_panels

mkdir -p docs/screenshots
panels=(Arvel7.uir Arvel7-STBL.uir DINAMIC_LEDS.uir Nodal.uir Vantril.uir MAINUISPECTRA.UIR
        TESTOPTIONS.UIR GetProduct.uir)
for panel in "${panels[@]}"; do
  out="docs/screenshots/${panel%.*}.png"
  QT_QPA_PLATFORM=offscreen "$dir/bin/corvane-screenshot" "$panel" "$out"
  echo "$out"
done

# The Arvel7 panel connected to the device simulator, with live readings: the view test that
# drives it writes the picture when CORVANE_SCREENSHOT_DIR is set.
cmake --build "$dir" --target view_test_connected_arvel7 corvane-sim
CORVANE_SCREENSHOT_DIR="$PWD/docs/screenshots" QT_QPA_PLATFORM=offscreen \
  ctest --test-dir "$dir" -R '^ConnectedArvel7\.' --output-on-failure >/dev/null
echo docs/screenshots/Arvel7-connected.png
