#!/usr/bin/env bash
# Runs the demo game's generation beside plain writes of the same archive bytes and prints the ratios:
#   dravo demo (no filler)        vs  writing its two archives' bytes
#   dravo demo --filler 2000      vs  writing those archives' bytes
# Usage: bench/demo/compare.sh [repetitions]   (builds the release preset first, unless BUILD_DIR=
# names a build folder to run as it is)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
table_header
bench_csv demo demo_bench "${1:-3}" |
  awk -F, '
    $1 ~ /_median"?$/ { name = $1; gsub(/"/, "", name); sub(/(\/real_time)?_median$/, "", name); t[name] = $3 }
    function row(work, ours, reference) {
      printf "%-46s | %11.1f ms | %11.1f ms | %7.2f\n", work, t[ours], t[reference], t[ours] / t[reference]
    }
    END {
      row("demo game vs writing its bytes", "Generate/0", "WriteSameBytes/0")
      row("demo game + 2,000 fillers vs writing its bytes", "Generate/2000", "WriteSameBytes/2000")
    }'
