#!/usr/bin/env bash
# Regenerates the seed files of the texture, model and material fuzzers under fuzz/corpus/.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target make_format_seeds
rm -rf fuzz/corpus/dxt_fuzz fuzz/corpus/dxg_fuzz fuzz/corpus/dxm_fuzz
build/release/tests/formats/make_format_seeds fuzz/corpus
