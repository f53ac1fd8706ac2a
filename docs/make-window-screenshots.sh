#!/usr/bin/env bash
# Takes the screenshots of the main window at its minimum size, in English
# and French (docs/main-window-min-en.png, -fr.png), and of the help viewer
# (docs/help-viewer.png), under Xvfb in a private home folder.
# Usage: bash docs/make-window-screenshots.sh [PROGRAM_FOLDER]   (default build/bin)
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/bin}")
docs=$(realpath docs)
work=$(mktemp -d /tmp/vantor-shots.XXXXXX)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DOCUMENTS_DIR=$work/Documents
export VANTOR_COMPONENT_REGISTRY=$work/config/Corvane/Components.xml
mkdir -p "$work/config/Corvane" "$work/Documents"

value() { # name type contents
  printf '      <Value Name="%s" Type="%s">\n        <Contents>%s</Contents>\n      </Value>\n' "$1" "$2" "$3"
}
settings() { # application values...
  local app=$1; shift
  { printf '<?xml version="1.0" encoding="UTF-8"?>\n<Application Name="%s">\n  <Program Name="">\n    <Configuration>\n' "$app"
    printf '%s' "$@"
    printf '    </Configuration>\n  </Program>\n</Application>\n'; } > "$work/config/Corvane/$app.xml"
}

# No window manager runs under Xvfb: a window has no frame and sits at 0,0,
# so grabbing its size from 0,0 takes the window itself.
grab() { # size output command...
  local size=$1 out=$2; shift 2
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    size=$1 out=$2; shift 2
    "$@" &
    pid=$!
    sleep 4
    ffmpeg -loglevel error -f x11grab -video_size "$size" -i "$DISPLAY+0,0" -frames:v 1 -y "$out"
    kill $pid
    wait $pid 2>/dev/null || true
  ' grab "$size" "$out" "$@"
  echo "wrote $out"
}

for lang in en:2057 fr:1036; do
  settings "Vantor2 Player" "$(value LanguageId Integer "${lang#*:}")"
  settings "Vantor Batch Export" "$(value Left Integer 0)" "$(value Top Integer 0)" \
    "$(value Width Integer 370)" "$(value Height Integer 539)"
  grab 370x539 "$docs/main-window-min-${lang%%:*}.png" "$bin/vantor-batch-export"
done

settings "Vantor2 Player" "$(value LanguageId Integer 2057)"
grab 760x640 "$docs/help-viewer.png" "$bin/vantor-help-viewer" \
  "$bin/CV Vantor Pro Help/html/${2:-AVI_format}.htm"
