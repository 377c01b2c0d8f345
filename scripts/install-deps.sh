#!/usr/bin/env bash
# Installs every Debian 12 package the project needs. Idempotent; silent when all is there.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build pkg-config git
  clang-14 libclang-rt-14-dev lld-14
  # style: the format check in CI, and scripts/tidy.sh
  clang-format clang-tidy
  # Qt editor
  qt6-base-dev libqt6opengl6-dev qt6-base-dev-tools
  # the editor's icons are SVG sources
  qt6-svg-dev
  # graphics device: GL through libepoxy, EGL headless on Mesa
  libepoxy-dev libegl-dev libgl-dev libopengl-dev libgles-dev libgl1-mesa-dri libegl-mesa0 mesa-utils
  # formats; stb_dxt is the everyday block compressor, libsquish the best one and the decoder
  libgif-dev libsquish-dev libstb-dev libpng-dev zlib1g-dev
  # tools and tests
  nlohmann-json3-dev libcli11-dev libgtest-dev libgmock-dev libbenchmark-dev
  # glTF scenes (tinygltf itself uses nlohmann-json3-dev and libstb-dev)
  libtinygltf-dev
  # tests only: Node.js runs the Khronos glTF validator (scripts/install-node-tools.sh)
  nodejs
  # tests only: two other GIF decoders that must show our optimised GIFs' frames as we do
  gifsicle ffmpeg
  # benchmark only: the reference colour quantiser beside ours (GPL; never linked into the program or tests)
  libimagequant-dev
  xvfb xauth
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -eq 0 ]; then
  exec "$(dirname "$0")/install-node-tools.sh"
fi

echo "install-deps: installing ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
"$(dirname "$0")/install-node-tools.sh"
