#!/usr/bin/env bash
# Runs the editor benchmarks beside their references and prints `work | ours | reference | ratio`:
#   one frame's posing (PoseBone over machine, hung parts and rider)  vs  one plain 4x4 product per bone
#   LoadTrick of "backflip"                                           vs  reading its two motion entries
# and what the undo history keeps after a hundred edits of a 60-frame, 22-part trick.
# Usage: bench/editor/compare.sh [repetitions]   (builds the release preset first, unless BUILD_DIR=
# names a build folder to run as it is)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
table_header
# The history's runs carry a counter the others do not, which one CSV report cannot mix: two runs.
{
  bench_csv editor editor_bench "${1:-5}" --benchmark_filter=-History
  bench_csv editor editor_bench "${1:-5}" --benchmark_filter=History
} |
  awk -F, '
    $1 == "name" { bytesColumn = 0; for (i = 1; i <= NF; ++i) if ($i == "\"bytes\"" || $i == "bytes") bytesColumn = i }
    $1 ~ /_median"?$/ {
      name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); t[name] = $3
      if (bytesColumn) b[name] = $bytesColumn
    }
    function row(work, ours, reference, unit, scale) {
      printf "%-46s | %11.1f %s | %11.1f %s | %7.2f\n", work, t[ours] * scale, unit, t[reference] * scale, unit,
             t[ours] / t[reference]
    }
    END {
      row("posing one frame vs a product per bone", "BM_PoseOneFrame", "BM_MultiplyBoneMatrices", "ns", 1)
      row("LoadTrick (backflip) vs reading its entries", "BM_LoadTrick", "BM_ReadTwoMotionEntries", "us", 1)
      printf "\nundo history after 100 everyday edits: %.0f bytes; after 100 whole-trick tweens: %.0f bytes (bound 5 MB)\n",
             b["BM_HistoryOfHundredEdits"], b["BM_HistoryOfHundredWholeTrickTweens"]
    }'
