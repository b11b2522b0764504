#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Songkite need.
# Quiet and quick when everything is already there; uses sudo only when not root.
# --sanitizers adds what `make fuzz` and `make asan` need on top (clang, libFuzzer and the
# sanitizer run-times); `make test` does without them.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-qpa-plugins
  libqt6svg6 libgl-dev libxkbcommon-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  # The song preview decodes AAC through libav; the tests make their sample song with ffmpeg.
  gstreamer1.0-libav ffmpeg
  # The bitrate patch's test muxes a song the way GStreamer does.
  gstreamer1.0-tools
  # Qt's own buttons and choosers in Japanese.
  qt6-translations-l10n
  fonts-ipafont-gothic fonts-ipafont-mincho fontconfig
  # The packaging test validates the desktop entry and the AppStream metainfo.
  desktop-file-utils appstream
)

if [ "${1:-}" = "--sanitizers" ]; then
  packages+=(
    # GCC's address and undefined-behaviour sanitizer run-times (`make asan`).
    libasan8 libubsan1
    # clang with libFuzzer and its sanitizer run-times (`make fuzz`); llvm-symbolizer
    # turns a finding's addresses into source lines.
    clang clang-14 libclang-rt-14-dev llvm-14
  )
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
