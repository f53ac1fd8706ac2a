#!/bin/bash
# Pictures of every page of the AVI/QuickTime options dialog, of the codec
# chooser and of the WMV options dialog, taken under Xvfb into docs/video/.
#   bash scripts/video-screenshots.sh [BUILD_FOLDER]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$root/build}"
tool="$build/buildtools/video-screenshots"
[ -x "$tool" ] || { echo "build the video-screenshots target first" >&2; exit 1; }
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (package xvfb)" >&2; exit 1; }
mkdir -p "$root/docs/video"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$tool" "$root/docs/video"
