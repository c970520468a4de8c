#!/usr/bin/env bash
# Installs what is missing, builds the command-line renderer (linux preset), and renders the
# sample picture's contact sheet of all twenty presets plus one full-size render into out/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux --target morvane
morvane=build/linux/cli/morvane
mkdir -p out
"$morvane" contact-sheet examples/chelsea.png out/contact-sheet.png
"$morvane" render examples/chelsea.png out/chelsea-creased-aquarel.png --preset "Creased Aquarel"
echo
echo "contact sheet of the twenty presets: $PWD/out/contact-sheet.png"
echo "full-size render (Creased Aquarel):  $PWD/out/chelsea-creased-aquarel.png"
echo "more: $morvane --help"
