#!/usr/bin/env bash
# Runs the texture and model benchmarks side by side and prints `work | ours | reference | ratio`:
#   three 1024x1024 pictures (photo, skin-like, alpha) made into DXT1/DXT1/DXT5 blocks by BitmapToTexture:
#     fast beside stb_dxt's high-quality mode, in process CPU time (all of our threads count);
#     best beside libsquish's cluster fit on one thread, in wall time (what a user waits for) and CPU time;
#     and the RGB (and alpha) error, root mean square, of each beside its reference's.
#   a 20,000-vertex, 40-bone model: load  vs  parsing the file and decoding its vertices;
#   one frame of skinning  vs  the textbook skinning of the same vertices from flat arrays
# Usage: bench/formats/compare.sh [repetitions]   (builds the release preset first, unless BUILD_DIR=
# names a build folder to run as it is)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
table_header
bench_csv formats formats_bench "${1:-3}" |
  awk -F, '
    NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); col[h] = i } next }
    $1 ~ /_median"?$/ {
      name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); sub(/(\/process_time)?(\/real_time)?$/, "", name)
      cpu[name] = $col["cpu_time"]; wall[name] = $col["real_time"]
      e[name] = (col["rgb_rmse"] && $col["rgb_rmse"] != "") ? $col["rgb_rmse"] : ""
      ea[name] = (col["alpha_rmse"] && $col["alpha_rmse"] != "") ? $col["alpha_rmse"] : ""
    }
    # fmt: the printf format of one value, 14 characters wide
    function row(work, ours, reference, fmt) {
      line = "%-46s | " fmt " | " fmt " | %7.2f\n"
      printf line, work, ours, reference, (reference > 0 ? ours / reference : 0)
    }
    END {
      n = split("photo skin alpha", kinds, " ")
      for (k = 1; k <= n; k++) {
        kind = kinds[k]; fmt = kind == "alpha" ? "DXT5" : "DXT1"
        fast = "BM_BitmapToTexture/fast_" kind; stb = "BM_StbDxt/highqual_" kind
        best = "BM_BitmapToTexture/best_" kind; cluster = "BM_ClusterFit/one_thread_" kind
        what = fmt " " kind ":"
        row(what " fast vs stb_dxt HQ, cpu", cpu[fast], cpu[stb], "%11.1f ms")
        row(what " fast vs stb_dxt HQ, RGB RMSE", e[fast], e[stb], "%14.3f")
        row(what " best vs cluster fit 1 thread, wall", wall[best], wall[cluster], "%11.0f ms")
        row(what " best vs cluster fit 1 thread, cpu", cpu[best], cpu[cluster], "%11.0f ms")
        row(what " best vs cluster fit, RGB RMSE", e[best], e[cluster], "%14.3f")
        if (kind == "alpha") {
          row(what " fast vs stb_dxt HQ, alpha RMSE", ea[fast], ea[stb], "%14.3f")
          row(what " best vs cluster fit, alpha RMSE", ea[best], ea[cluster], "%14.3f")
        }
      }
      row("load 20,000 vertices vs parse + decode", cpu["BM_ModelLoad"], cpu["BM_ParseAndDecode"], "%11.1f us")
      row("skin a frame vs textbook skinning", cpu["BM_ModelSkinFrame"], cpu["BM_TextbookSkinning"], "%11.1f us")
    }'
