#!/usr/bin/env bash
# Runs the motion benchmarks beside their reference and prints `work | ours | reference | ratio`:
#   a rider-sized motion (30 parts, 600 frames) into its pose table and back, by scanning the tracks
#   and through the track index  vs  the same maths on keys already in flat arrays (textbook axis-angle
#   to matrix and back)
# Usage: bench/motion/compare.sh [repetitions]   (builds the release preset first, unless BUILD_DIR=
# names a build folder to run as it is)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
table_header
bench_csv motion motion_bench "${1:-5}" |
  awk -F, '
    $1 ~ /_median"?$/ { name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); t[name] = $3 }
    function row(work, ours, reference) {
      printf "%-46s | %11.1f us | %11.1f us | %7.2f\n", work, t[ours], t[reference], t[ours] / t[reference]
    }
    END {
      row("pose table and back, scanning the tracks", "BM_PoseByScanning", "BM_TextbookKeysAndBack")
      row("pose table and back, through the index", "BM_PoseThroughIndex", "BM_TextbookKeysAndBack")
    }'
