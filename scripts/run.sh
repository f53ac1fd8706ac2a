#!/usr/bin/env bash
# Installs what is missing, builds everything and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)"

if [ -x build/bin/vantor-batch-export ]; then
  if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "There is no display here, so the window cannot open."
    if [ -x build/bin/vantor-batch-export-cli ] && [ -x scripts/demo.sh ]; then
      echo "Running the same batch export from the terminal instead:"
      exec bash scripts/demo.sh
    fi
    echo "Run this command on a desktop, or under 'xvfb-run'."
    exit 1
  fi
  exec build/bin/vantor-batch-export
fi
echo "The build did not produce build/bin/vantor-batch-export; see the messages above." >&2
exit 1
