#!/usr/bin/env bash
# Regenerates the seed files of the texture, model, material and image (Targa, BMP, PNG) fuzzers under
# fuzz/corpus/ with our own writers.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target make_format_seeds make_image_seeds
rm -rf fuzz/corpus/dxt_fuzz fuzz/corpus/dxg_fuzz fuzz/corpus/dxm_fuzz
rm -rf fuzz/corpus/tga_fuzz fuzz/corpus/bmp_fuzz fuzz/corpus/png_fuzz
build/release/tests/formats/make_format_seeds fuzz/corpus
build/release/tests/formats/make_image_seeds fuzz/corpus
