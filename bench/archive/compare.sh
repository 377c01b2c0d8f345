#!/usr/bin/env bash
# Runs the archive benchmarks beside their references and prints the ratios:
#   mount of a 20,000-entry / 300 MB archive  vs  one read() of its directory bytes
#   SaveAs of a 50 MB own archive             vs  cp of the same 50 MB plus sync
# Usage: bench/archive/compare.sh [repetitions]   (builds the release preset first)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
bench_csv archive archive_bench "${1:-3}" |
  awk -F, '
    $1 ~ /_median"?$/ { name = $1; gsub(/"/, "", name); sub(/(\/real_time)?_median$/, "", name); t[name] = $3 }
    END {
      printf "%-34s %10.3f ms\n", "mount 20,000 entries / 300 MB", t["BM_MountGameArchive"]
      printf "%-34s %10.3f ms\n", "one read() of the directory", t["BM_ReadDirectoryOnce"]
      printf "%-34s %10.2f\n\n", "ratio (mount / read)", t["BM_MountGameArchive"] / t["BM_ReadDirectoryOnce"]
      printf "%-34s %10.3f ms\n", "SaveAs of a 50 MB own archive", t["BM_SaveAsOwnArchive"]
      printf "%-34s %10.3f ms\n", "cp of 50 MB + sync", t["BM_CopyAndSync"]
      printf "%-34s %10.2f\n", "ratio (SaveAs / cp+sync)", t["BM_SaveAsOwnArchive"] / t["BM_CopyAndSync"]
    }'
