#!/usr/bin/env bash
# Runs the archive benchmarks beside their references and prints `work | ours | reference | ratio`:
#   mount of a 20,000-entry / 300 MB archive (directory only)   vs  one read() of its directory bytes
#   opening the same archive to edit it                          vs  the same read()
#   adding 3 KB to it (open, put, save with backup, sync)        vs  cp of the same 300 MB plus sync
#   SaveAs of a 50 MB own archive held in memory                 vs  cp of the same 50 MB plus sync
# Usage: bench/archive/compare.sh [repetitions]   (builds the release preset first, unless BUILD_DIR=
# names a build folder to run as it is)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
table_header
bench_csv archive archive_bench "${1:-3}" |
  awk -F, '
    $1 ~ /_median"?$/ { name = $1; gsub(/"/, "", name); sub(/(\/[a-z_]+:?[0-9]*)*_median$/, "", name); t[name] = $3 }
    function row(work, ours, reference) {
      printf "%-46s | %11.3f ms | %11.3f ms | %7.2f\n", work, t[ours], t[reference], t[ours] / t[reference]
    }
    END {
      row("mount 20,000 entries / 300 MB vs read()", "BM_MountGameArchive", "BM_ReadDirectoryOnce")
      row("open it to edit vs read()", "BM_OpenGameArchive", "BM_ReadDirectoryOnce")
      row("add 3 KB to it vs cp + sync", "BM_AddToGameArchive", "BM_CopyGameArchiveAndSync")
      row("SaveAs 50 MB from memory vs cp + sync", "BM_SaveAsOwnArchive", "BM_CopyAndSync")
    }'
