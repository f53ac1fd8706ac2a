#!/usr/bin/env bash
# The main job without a window: makes a few sample screen recordings with
# vtr-make, converts the ones in the old 1.4 format to the current format and
# exports every movie to AVI with the terminal front end.
#
#   bash scripts/demo.sh [FOLDER]     (default: build/demo)
#
# FOLDER/movies holds the samples, FOLDER/converted the converted movies and
# FOLDER/avi the AVI files.
set -euo pipefail
cd "$(dirname "$0")/.."

bin=${VANTOR_BIN_DIR:-build/bin}
demo=${1:-build/demo}
for tool in vtr-make vantor-batch-export-cli libVTPLAYERAPI.so; do
  if [ ! -e "$bin/$tool" ]; then
    echo "$bin/$tool is missing: build first (bash scripts/run.sh builds everything)." >&2
    exit 1
  fi
done

rm -rf "$demo"
mkdir -p "$demo/movies"
echo "== Making three sample movies in $demo/movies"
"$bin/vtr-make" synthetic "$demo/movies/intro.vtr" --size 320x240 --seconds 3
"$bin/vtr-make" synthetic "$demo/movies/lesson 1.vtr" --size 320x240 --seconds 4 --old
"$bin/vtr-make" synthetic "$demo/movies/lesson 2.vtz" --size 320x240 --seconds 4 --old
ls -l "$demo/movies"

echo
echo "== Converting to the current movie format into $demo/converted"
"$bin/vantor-batch-export-cli" --format convert --dest "$demo/converted" "$demo/movies"

echo
echo "== Exporting to AVI into $demo/avi"
"$bin/vantor-batch-export-cli" --format avi --dest "$demo/avi" \
  "$demo/movies/intro.vtr" "$demo/converted/lesson 1.vtr" "$demo/converted/lesson 2.vtr"

echo
echo "== The AVI files are in $(cd "$demo/avi" && pwd):"
ls -l "$demo/avi"
