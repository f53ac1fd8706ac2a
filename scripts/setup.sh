#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# but only those that are missing, so a second run costs nothing.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake ninja-build pkg-config clang clang-format
  # user interface
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n libqt6svg6
  # Player engine and export components
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libzstd-dev libmp3lame-dev libmp3lame0 libx264-dev libjpeg-dev
  # crash stack traces
  libdw-dev libunwind-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libpugixml-dev
  ffmpeg xvfb xauth xdg-utils procps
  # a second reader of the written video files
  gstreamer1.0-tools gstreamer1.0-plugins-base-apps gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav
  # GStreamer's own ASF demuxer, for the written Windows Media files
  gstreamer1.0-plugins-ugly
  # icons, the Debian package and its checks
  librsvg2-bin desktop-file-utils appstream lintian shared-mime-info util-linux
  # the Flash player the SWF tests use: Ruffle (npm) in headless Chromium
  chromium
)
# Debian's npm, unless node came with its own (the two packages conflict).
command -v npm >/dev/null || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  bash "$(dirname "$0")/setup-ruffle.sh"
  exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
bash "$(dirname "$0")/setup-ruffle.sh"
