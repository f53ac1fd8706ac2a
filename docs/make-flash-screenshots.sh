#!/usr/bin/env bash
# Takes docs/flash-options-*.png: every page of the Flash options dialog
# under Xvfb, filled from the default settings, with the shipped control
# bars and one template of the user's.
# Usage: bash docs/make-flash-screenshots.sh [BUILD_FOLDER]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
cmake --build "$build" --target flash-options-screens
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config
cmake --build "$build" --target controlbars controlbar_list
# A template of the user's beside the built-in one.
mkdir -p "$work/config/Corvane/Templates"
printf '<HTML>\r\n<BODY>\r\n<H1><SWFTITLE></H1>\r\n<SWFOBJECT>\r\n</BODY>\r\n</HTML>' \
  > "$work/config/Corvane/Templates/Company page.html"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/buildtools/flash-options-screens" "$(realpath docs)" \
  "$build/bin/SWFControlBars"
echo "wrote docs/flash-options-*.png"
