#!/usr/bin/env bash
# The animated GIF export beside libimagequant and ffmpeg, on the same 60 frames at S = 256:
#   render (headless OpenGL, 640x480), scale (area averaging), quantise (256 colours, no dithering), encode
#   ours            Wu boxes + k-means, nearest colour          (gif_bench BM_Quantise/ours)
#   ours, exact bg  the same with the background's own entry   (BM_Quantise/exact, the export's default)
#   libimagequant   speed 4, dithering 0, one thread            (BM_QuantiseLiq)
#   ffmpeg          palettegen stats_mode=single + paletteuse dither=none new=1, frame by frame
# Each quantiser is fed the same scaled frames and judged against them: mean squared error over red, green
# and blue (per frame, averaged over the frames), its PSNR, the worst frame's PSNR, and the size of the GIF.
# Times are CPU times of the process. ffmpeg's time is that of the whole command (reading raw frames,
# palettes, mapping, GIF encoding) less a run that only reads the frames.
# Usage: bench/gif/compare.sh [GAME_DIR]   GAME_DIR: a game to draw the rider and machine from; without it,
#   DRAVO_GAME_DIR, else the demo game when `dravo demo` exists, else frames drawn in code.
#   GIF_BENCH_PNGS=DIR takes the PNG files of a folder as the frames instead (harder pictures: e.g.
#   `for i in $(seq 10 69); do convert -seed $i -size 640x480 plasma:fractal DIR/$i.png; done`).
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
out="${GIF_BENCH_OUT:-$(mktemp -d /tmp/dravo-gif-bench.XXXXXX)}"
mkdir -p "$out"

need=()
command -v ffmpeg >/dev/null || need+=(ffmpeg)
dpkg-query -W -f='${Status}' libimagequant-dev 2>/dev/null | grep -q 'install ok installed' || need+=(libimagequant-dev)
if [ ${#need[@]} -gt 0 ]; then
  echo "compare: installing ${need[*]} (benchmark only)" >&2
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# BUILD_DIR=folder runs an existing build as it is, without building anything.
build="${BUILD_DIR:-$root/build/release}"
if [ -z "${BUILD_DIR:-}" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target gif_bench dravo >/dev/null
fi
bench="$build/bench/gif/gif_bench"

game="${1:-${DRAVO_GAME_DIR:-}}"
if [ -z "$game" ] && "$build/tools/dravo/dravo" --help 2>/dev/null | grep -qE '^ +demo '; then
  game="$out/game"
  "$build/tools/dravo/dravo" demo "$game" >/dev/null
fi

[ -z "${GIF_BENCH_PNGS:-}" ] || game=""
OMP_NUM_THREADS=1 GIF_BENCH_GAME="$game" GIF_BENCH_OUT="$out" "$bench" --benchmark_format=csv \
  --benchmark_repetitions=3 --benchmark_report_aggregates_only=true >"$out/bench.csv" 2>"$out/bench.err" || {
  cat "$out/bench.err" >&2; exit 1; }

# ffmpeg on the raw scaled frames: the full run, and a run that only decodes them.
raw=(-f rawvideo -pix_fmt bgra -s 256x256 -framerate 15 -i "$out/frames.bgra")
ffmpeg_run() {
  ffmpeg -v error -y -threads 1 "${raw[@]}" -filter_threads 1 \
    -lavfi "split[a][b];[a]palettegen=stats_mode=single:max_colors=256:reserve_transparent=0[p];[b][p]paletteuse=dither=none:new=1" \
    -gifflags -offsetting-transdiff "$out/ffmpeg.gif"
}
ffmpeg_null() { ffmpeg -v error -y -threads 1 "${raw[@]}" -f null -; }
best_full=999; best_null=999
for _ in 1 2 3; do
  s=$( { TIMEFORMAT='%U %S'; time ffmpeg_run; } 2>&1 | tail -1 | awk '{print $1+$2}')
  n=$( { TIMEFORMAT='%U %S'; time ffmpeg_null; } 2>&1 | tail -1 | awk '{print $1+$2}')
  best_full=$(awk -v a="$best_full" -v b="$s" 'BEGIN{print (b<a)?b:a}')
  best_null=$(awk -v a="$best_null" -v b="$n" 'BEGIN{print (b<a)?b:a}')
done
ffmpeg_quality=$("$bench" measure "$out/ffmpeg.gif" "$out/frames.bgra" 256)

frames_from="drawn in code"
grep -q 'BM_Render.*error_occurred' "$out/bench.csv" || [ -z "$game" ] || frames_from="rendered from $game"
[ -z "${GIF_BENCH_PNGS:-}" ] || frames_from="from the pictures in $GIF_BENCH_PNGS"
echo "60 frames, 640x480 $frames_from, S = 256 (files in $out)"
awk -F, -v ff="$best_full" -v fn="$best_null" -v fq="$ffmpeg_quality" '
  NR == 1 { for (i = 1; i <= NF; i++) { h = $i; gsub(/"/, "", h); col[h] = i } next }
  $1 ~ /_median"?$/ {
    name = $1; gsub(/"/, "", name); sub(/_median$/, "", name); sub(/\/process_time$/, "", name); sub(/\/iterations:[0-9]+$/, "", name)
    t[name] = $col["cpu_time"]
    if (col["mse"]) { m[name] = $col["mse"]; p[name] = $col["psnr"]; w[name] = $col["worst_psnr"]; b[name] = $col["gif_bytes"] }
  }
  END {
    split(fq, kv, " "); for (i in kv) { split(kv[i], x, "="); f[x[1]] = x[2] }
    printf "%-30s %10s\n", "stage (per frame)", "ms"
    printf "%-30s %10s\n", "render + read back", (t["BM_Render"] != "" ? sprintf("%.2f", t["BM_Render"]) : "n/a")
    printf "%-30s %10.2f\n", "scale 640x480 -> 256x256", t["BM_Scale"]
    printf "%-30s %10.2f\n", "quantise (ours, exact bg)", t["BM_Quantise/exact"]
    printf "%-30s %10.2f\n", "encode (giflib)", t["BM_Encode"]
    printf "%-30s %10.1f\n\n", "whole export of 60 frames", t["BM_ExportGif"]
    printf "%-22s %9s %8s %8s %8s %11s %8s\n", "quantiser", "ms/frame", "x ours", "MSE", "PSNR", "worst PSNR", "GIF KB"
    q["ours"] = "BM_Quantise/ours"; q["ours, exact bg"] = "BM_Quantise/exact"; q["libimagequant s4"] = "BM_QuantiseLiq"
    split("ours|ours, exact bg|libimagequant s4", names, "|")
    for (k = 1; k <= 3; k++) {
      n = q[names[k]]; if (t[n] == "") continue
      printf "%-22s %9.2f %8.2f %8.3f %8.2f %11.2f %8.1f\n", names[k], t[n], t[n] / t["BM_Quantise/ours"], m[n], p[n], w[n], b[n] / 1024
    }
    fms = (ff - fn) * 1000 / 60
    printf "%-22s %9.2f %8.2f %8.3f %8.2f %11.2f %8.1f\n", "ffmpeg (+ encode)", fms, fms / t["BM_Quantise/ours"], f["mse"], f["psnr"], f["worst_psnr"], f["bytes"] / 1024
    printf "\n%-46s | %14s | %14s | %7s\n", "work", "ours", "reference", "ratio"
    printf "%-46s | %11.2f ms | %11.2f ms | %7.2f\n", "quantise a frame vs libimagequant s4", t["BM_Quantise/exact"], t["BM_QuantiseLiq"], (t["BM_QuantiseLiq"] > 0 ? t["BM_Quantise/exact"] / t["BM_QuantiseLiq"] : 0)
    printf "%-46s | %11.2f ms | %11.2f ms | %7.2f\n", "quantise a frame vs ffmpeg (+ encode)", t["BM_Quantise/exact"], fms, (fms > 0 ? t["BM_Quantise/exact"] / fms : 0)
    printf "%-46s | %11.1f KB | %11.1f KB | %7.2f\n", "GIF size vs ffmpeg", b["BM_Quantise/exact"] / 1024, f["bytes"] / 1024, (f["bytes"] > 0 ? b["BM_Quantise/exact"] / f["bytes"] : 0)
    printf "%-46s | %14.3f | %14.3f | %7.2f\n", "mean squared error vs ffmpeg", m["BM_Quantise/exact"], f["mse"], (f["mse"] > 0 ? m["BM_Quantise/exact"] / f["mse"] : 0)
  }' "$out/bench.csv"
