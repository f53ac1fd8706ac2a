#!/usr/bin/env bash
# Installs Ruffle, the Flash player that the SWF tests play movies in, from
# the npm registry into build-tools/ruffle (git-ignored). Without npm or the
# network it only warns: those tests then skip and say why.
set -uo pipefail
cd "$(dirname "$0")/.."
version=0.6.0
folder=build-tools/ruffle
if [ -f "$folder/node_modules/@ruffle-rs/ruffle/ruffle.js" ] \
  && grep -q "\"version\":\"$version\"" "$folder/node_modules/@ruffle-rs/ruffle/package.json"; then
  exit 0
fi
if ! command -v npm >/dev/null; then
  echo "setup-ruffle: npm is missing; the Ruffle tests will be skipped" >&2
  exit 0
fi
mkdir -p "$folder"
if ! npm install --prefix "$folder" --no-audit --no-fund --no-save "@ruffle-rs/ruffle@$version" >/dev/null; then
  echo "setup-ruffle: could not install @ruffle-rs/ruffle@$version; the Ruffle tests will be skipped" >&2
fi
exit 0
