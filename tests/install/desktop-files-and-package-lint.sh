#!/usr/bin/env bash
# Checks the desktop entry, the metainfo and the movie types with the
# freedesktop tools, makes the Debian package and has lintian check it: no
# error, and every warning is one the README lists and explains.
# Usage: desktop-files-and-package-lint.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source_dir=$1 build=$2
desktop=$source_dir/resources/desktop

for tool in desktop-file-validate appstreamcli update-mime-database lintian cpack; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: $tool is not installed (bash scripts/setup.sh installs it)"
    exit 77
  fi
done

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

desktop-file-validate "$desktop"/*.desktop || fail "desktop entry"
appstreamcli validate --no-net --explain "$desktop"/*.metainfo.xml || fail "metainfo"
mkdir -p "$tmp/share/mime/packages"
cp "$desktop"/vantor-batch-export.xml "$tmp/share/mime/packages/"
XDG_DATA_DIRS=$tmp/share update-mime-database "$tmp/share/mime" 2>"$tmp/mime.log"
[ ! -s "$tmp/mime.log" ] || { cat "$tmp/mime.log"; fail "movie types"; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/package" >"$tmp/cpack.log" 2>&1 ||
  { cat "$tmp/cpack.log"; fail "cpack"; }
lintian --pedantic "$tmp"/package/*.deb 2>/dev/null | tee "$tmp/lintian.log" || true
if grep -q '^E:' "$tmp/lintian.log"; then fail "lintian reports errors"; fi
for tag in $(sed -n 's/^W: [^ ]* \([a-z0-9-]*\).*/\1/p' "$tmp/lintian.log" | sort -u); do
  grep -qF "\`$tag\`" "$source_dir/README.md" || fail "lintian warning $tag is not explained in README.md"
done
echo "desktop entry, metainfo, movie types and package pass their checks"
