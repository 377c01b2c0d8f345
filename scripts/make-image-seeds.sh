#!/usr/bin/env bash
# Regenerates the seed pictures of the Targa, BMP and PNG fuzzers under fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target make_image_seeds
rm -rf fuzz/corpus/tga_fuzz fuzz/corpus/bmp_fuzz fuzz/corpus/png_fuzz
build/release/tests/formats/make_image_seeds fuzz/corpus
