#!/usr/bin/env bash
# Takes docs/main-window.png: the main window under Xvfb, with a few movies
# listed, in a private home folder so the real user's settings stay as they
# are. Usage: bash docs/make-screenshot.sh [PROGRAM_FOLDER]   (default build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/bin}")
out=$(realpath docs)/main-window.png
# A short, fixed home folder: its paths show in the list.
work=/tmp/vantor-demo
rm -rf "$work"
trap 'rm -rf "$work"' EXIT

export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DOCUMENTS_DIR=$work/Documents
export VANTOR_COMPONENT_REGISTRY=$work/config/Corvane/Components.xml
movies=$work/Documents/CV\ Vantor\ Movies
mkdir -p "$work/config/Corvane" "$movies"
list=""
for name in "Welcome.vtr" "Product tour.vtz" "Setting up a project.vtr" "Exporting to Flash.vtr"; do
  : > "$movies/$name"
  list="$list${list:+,}&quot;$movies/$name&quot;"
done
cat > "$work/config/Corvane/Vantor Batch Export.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<Application Name="Vantor Batch Export">
  <Program Name="">
    <Configuration>
      <Value Name="Left" Type="Integer">
        <Contents>0</Contents>
      </Value>
      <Value Name="Top" Type="Integer">
        <Contents>0</Contents>
      </Value>
      <Value Name="Movies" Type="MultiString" Delimiter="," QuoteChar="&quot;">
        <Contents>$list</Contents>
      </Value>
      <Value Name="DstDirectory" Type="String">
        <Contents>$work/Documents/CV Vantor Exports</Contents>
      </Value>
    </Configuration>
  </Program>
</Application>
XML

# No window manager runs under Xvfb: the window has no frame and sits at
# 0,0, so the grab is the window itself (513 x 576, the design size).
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  "$0" &
  pid=$!
  sleep 4
  ffmpeg -loglevel error -f x11grab -video_size 513x576 -i "$DISPLAY+0,0" -frames:v 1 -y "$1"
  kill $pid
  wait $pid 2>/dev/null || true
' "$bin/vantor-batch-export" "$out"
echo "wrote $out"
