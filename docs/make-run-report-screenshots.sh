#!/usr/bin/env bash
# Takes docs/run-report-{en,fr}-{progress,summary}.png: the main window
# during a conversion run (item states, movie n of N and the time left) and
# after it (the summary and the link), under Xvfb in a private home folder.
# Usage: bash docs/make-run-report-screenshots.sh [BUILD_FOLDER]   (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
cmake --build "$build" --target run-report-screens
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DOCUMENTS_DIR=$work/Documents
movies=$work/Movies
mkdir -p "$movies" "$work/Documents"
for name in "Welcome.vtr" "Product tour.vtz" "Old demo.vtr" "Setting up a project.vtr" \
  "Exporting to Flash.vtr" "Recording sound.vtr" "Keyboard shortcuts.vtr"; do
  head -c 200000 /dev/zero > "$movies/$name"
done
docs=$(realpath docs)
xvfb-run -a -s "-screen 0 1024x768x24" "$build/buildtools/run-report-screens" "$docs/run-report-en" "$movies"
xvfb-run -a -s "-screen 0 1024x768x24" "$build/buildtools/run-report-screens" "$docs/run-report-fr" "$movies" \
  resources/strings/French.tsv
echo "wrote docs/run-report-*.png"
