#!/usr/bin/env bash
# Takes docs/flash-options-*.png: every page of the Flash options dialog
# under Xvfb, filled from the default settings.
# Usage: bash docs/make-flash-screenshots.sh [BUILD_FOLDER]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
cmake --build "$build" --target flash-options-screens
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config
xvfb-run -a -s "-screen 0 1024x768x24" "$build/buildtools/flash-options-screens" "$(realpath docs)"
echo "wrote docs/flash-options-*.png"
