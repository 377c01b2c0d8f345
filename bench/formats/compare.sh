#!/usr/bin/env bash
# Runs the texture and model benchmarks side by side and prints times, RGB errors and ratios:
#   DXT1 / DXT5 of a 1024x1024 picture: BitmapToTexture  vs  libsquish range fit, cluster fit, stb_dxt
#   a 20,000-vertex, 40-bone model: load, and one frame of skinning  vs  a copy of its 720,000 vertex bytes
# Times are CPU times of the process (all its threads), so that other work on the machine weighs less.
# Usage: bench/formats/compare.sh [repetitions]   (builds the release preset first)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
bench_csv formats formats_bench "${1:-3}" |
  awk -F, '
    NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); col[h] = i } next }
    $1 ~ /_median"?$/ {
      name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); sub(/\/process_time$/, "", name)
      t[name] = $col["cpu_time"]; e[name] = (col["rgb_rmse"] && $col["rgb_rmse"] != "") ? $col["rgb_rmse"] : ""
      order[++n] = name
    }
    END {
      for (f = 1; f <= 2; f++) {
        fmt = f == 1 ? "dxt1" : "dxt5"; ours = "BM_BitmapToTexture/" fmt
        printf "%-34s %10s %10s %12s\n", toupper(fmt) " of 1024x1024", "ms", "RGB RMSE", "time ratio"
        for (i = 1; i <= n; i++) if (index(order[i], fmt)) {
          printf "%-34s %10.2f %10.3f %12.2f\n", order[i], t[order[i]], e[order[i]], t[ours] / t[order[i]]
        }
        printf "\n"
      }
      printf "%-34s %10.1f us\n", "load 20,000 vertices / 40 bones", t["BM_ModelLoad"]
      printf "%-34s %10.1f us\n", "skin one frame", t["BM_ModelSkinFrame"]
      printf "%-34s %10.1f us\n", "copy 720,000 vertex bytes", t["BM_CopyVertexBytes"]
      printf "%-34s %10.2f\n", "ratio (skin / copy)", t["BM_ModelSkinFrame"] / t["BM_CopyVertexBytes"]
      printf "%-34s %10.2f\n", "ratio (load / copy)", t["BM_ModelLoad"] / t["BM_CopyVertexBytes"]
    }'
