#!/usr/bin/env bash
# Runs the editor benchmarks beside their references and prints the ratios:
#   one frame's posing (PoseBone over machine, hung parts and rider)  vs  a copy of the bone matrices
#   LoadTrick of "backflip"                                           vs  reading its two motion entries
# Usage: bench/editor/compare.sh [repetitions]   (builds the release preset first)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
bench_csv editor editor_bench "${1:-5}" |
  awk -F, '
    $1 ~ /_median"?$/ { name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); t[name] = $3; u[name] = $5 }
    END {
      printf "%-40s %10.1f ns\n", "posing one frame (PoseBone)", t["BM_PoseOneFrame"]
      printf "%-40s %10.1f ns\n", "copying the same bone matrices", t["BM_CopyBoneMatrices"]
      printf "%-40s %10.2f\n\n", "ratio (posing / copy)", t["BM_PoseOneFrame"] / t["BM_CopyBoneMatrices"]
      printf "%-40s %10.1f us\n", "LoadTrick (backflip)", t["BM_LoadTrick"]
      printf "%-40s %10.1f us\n", "reading its two motion entries", t["BM_ReadTwoMotionEntries"]
      printf "%-40s %10.2f\n", "ratio (LoadTrick / read)", t["BM_LoadTrick"] / t["BM_ReadTwoMotionEntries"]
    }'
