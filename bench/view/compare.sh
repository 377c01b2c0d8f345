#!/usr/bin/env bash
# Runs the view benchmark and prints `work | ours | reference | ratio`:
#   a frame with the onion skin at 5+5 ghosts   vs  the same frame without it (goal: at most 4x)
#   a frame with the onion skin at 1+1 ghosts   vs  the same frame without it
# Headless OpenGL at 640x480, each paint waited for; the times are the CPU time of the whole process (the
# software rasteriser's threads included), steadier than the wall clock on a shared machine.
# Usage: bench/view/compare.sh [repetitions]   (builds the release preset first, unless BUILD_DIR=
# names a build folder to run as it is)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
table_header
bench_csv view view_bench "${1:-5}" |
  awk -F, '
    $1 ~ /_median"?$/ { name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); sub(/\/process_time$/, "", name); t[name] = $4 }
    function row(work, ours, reference) {
      printf "%-46s | %11.2f ms | %11.2f ms | %7.2f\n", work, t[ours], t[reference], t[ours] / t[reference]
    }
    END {
      row("a frame with 5+5 onion ghosts vs without", "BM_ViewFrameOnion/5/5", "BM_ViewFrame")
      row("a frame with 1+1 onion ghosts vs without", "BM_ViewFrameOnion/1/1", "BM_ViewFrame")
    }'
