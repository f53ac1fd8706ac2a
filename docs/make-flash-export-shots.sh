#!/usr/bin/env bash
# Takes docs/flash-export/*.jpg: a 480 x 360 recording exported to a
# standard SWF with the bar below the picture, playing in Ruffle, paused by
# the bar's button, and the toolbar movie of separate files playing after
# a restart, and the exported page with separate files. The pictures come from the Ruffle test of the engine's export.
# Usage: bash docs/make-flash-export-shots.sh [BUILD_FOLDER]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
shots=$(mktemp -d)
trap 'rm -rf "$shots"' EXIT
VANTOR_KEEP_SHOTS="$shots" "$build/tests/VTPLAYERAPI_SwfRuffleTest"
mkdir -p docs/flash-export
cp "$shots/single-1.jpg" docs/flash-export/swf-playing.jpg
cp "$shots/single-3.jpg" docs/flash-export/swf-paused.jpg
cp "$shots/toolbar-5.jpg" docs/flash-export/toolbar-restarted.jpg
cp "$shots/page-toolbar.jpg" docs/flash-export/page-separate-files.jpg
