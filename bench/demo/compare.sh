#!/usr/bin/env bash
# Runs the demo game's generation beside plain writes of the same archive bytes and prints the ratios:
#   dravo demo (no filler)        vs  writing its two archives' bytes
#   dravo demo --filler 2000      vs  writing those archives' bytes
# Usage: bench/demo/compare.sh [repetitions]   (builds the release preset first)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
bench_csv demo demo_bench "${1:-3}" |
  awk -F, '
    $1 ~ /_median"?$/ { name = $1; gsub(/"/, "", name); sub(/(\/real_time)?_median$/, "", name); t[name] = $3 }
    END {
      printf "%-34s %10.1f ms\n", "demo game, no filler", t["Generate/0"]
      printf "%-34s %10.1f ms\n", "writing the same bytes", t["WriteSameBytes/0"]
      printf "%-34s %10.2f\n\n", "ratio", t["Generate/0"] / t["WriteSameBytes/0"]
      printf "%-34s %10.1f ms\n", "demo game, 2,000 filler entries", t["Generate/2000"]
      printf "%-34s %10.1f ms\n", "writing the same bytes", t["WriteSameBytes/2000"]
      printf "%-34s %10.2f\n", "ratio", t["Generate/2000"] / t["WriteSameBytes/2000"]
    }'
