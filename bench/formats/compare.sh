#!/usr/bin/env bash
# Runs the texture and model benchmarks side by side and prints `work | ours | reference | ratio`:
#   three 1024x1024 pictures (photo-like, skin-like, with alpha) made into blocks by BitmapToTexture:
#     fast beside stb_dxt's high-quality mode, in process CPU time (all of our threads count);
#     best beside libsquish's cluster fit on one thread, in wall time (what a user waits for) and CPU time;
#     and the RGB (and alpha) error, root mean square, of each beside its reference's.
#   a 20,000-vertex, 40-bone model: load, and one frame of skinning  vs  a copy of its 720,000 vertex bytes
# Usage: bench/formats/compare.sh [repetitions]   (builds the release preset first)
set -euo pipefail
source "$(dirname "$0")/../common.sh"
bench_csv formats formats_bench "${1:-3}" |
  awk -F, '
    NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); col[h] = i } next }
    $1 ~ /_median"?$/ {
      name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); sub(/(\/process_time)?(\/real_time)?$/, "", name)
      cpu[name] = $col["cpu_time"]; wall[name] = $col["real_time"]
      e[name] = (col["rgb_rmse"] && $col["rgb_rmse"] != "") ? $col["rgb_rmse"] : ""
      ea[name] = (col["alpha_rmse"] && $col["alpha_rmse"] != "") ? $col["alpha_rmse"] : ""
    }
    function row(work, ours, reference, fmt) {
      line = "%s | " fmt " | " fmt " | %.2f\n"
      printf line, work, ours, reference, (reference > 0 ? ours / reference : 0)
    }
    END {
      print "work | ours | reference | ratio"
      n = split("photo skin alpha", kinds, " ")
      for (k = 1; k <= n; k++) {
        kind = kinds[k]; fmt = kind == "alpha" ? "DXT5" : "DXT1"
        fast = "BM_BitmapToTexture/fast_" kind; stb = "BM_StbDxt/highqual_" kind
        best = "BM_BitmapToTexture/best_" kind; cluster = "BM_ClusterFit/one_thread_" kind
        what = fmt " of the " kind " picture, 1024x1024"
        row(what ", fast vs stb_dxt high quality: cpu ms", cpu[fast], cpu[stb], "%.1f")
        row(what ", fast vs stb_dxt high quality: RGB RMSE", e[fast], e[stb], "%.3f")
        row(what ", best (every core) vs cluster fit on one thread: wall ms", wall[best], wall[cluster], "%.0f")
        row(what ", best vs cluster fit on one thread: cpu ms, all threads", cpu[best], cpu[cluster], "%.0f")
        row(what ", best vs cluster fit: RGB RMSE", e[best], e[cluster], "%.3f")
        if (kind == "alpha") {
          row(what ", fast vs stb_dxt high quality: alpha RMSE", ea[fast], ea[stb], "%.3f")
          row(what ", best vs cluster fit: alpha RMSE", ea[best], ea[cluster], "%.3f")
        }
      }
      row("load 20,000 vertices / 40 bones vs copy 720,000 vertex bytes: us", cpu["BM_ModelLoad"], cpu["BM_CopyVertexBytes"], "%.1f")
      row("skin one frame vs copy 720,000 vertex bytes: us", cpu["BM_ModelSkinFrame"], cpu["BM_CopyVertexBytes"], "%.1f")
    }'
