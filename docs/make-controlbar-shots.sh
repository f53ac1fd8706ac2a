#!/usr/bin/env bash
# Takes docs/controlbars/*.png: each shipped control bar playing in Ruffle,
# then paused by a click on its play/pause button.
# Usage: bash docs/make-controlbar-shots.sh [PROGRAM_FOLDER]   (default build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
bars=$(realpath "${1:-build/bin}")/SWFControlBars
mkdir -p docs/controlbars
for entry in DefaultControlBar:32 DefaultControlBarCoolWhite:30 DefaultControlBarMediaPlayer:40; do
  name=${entry%%:*} height=${entry##*:}
  button=$((height - 10))
  python3 scripts/ruffle-play.py "$bars/$name.swf" 480 "$height" wait:700 "shot:docs/controlbars/$name.png" \
    "click:$((6 + button / 2)),$((height / 2))" move:240,0 wait:400 "shot:docs/controlbars/$name-paused.png"
done
