#!/usr/bin/env bash
# dravo gif --optimize beside ffmpeg's default palettegen/paletteuse on the same frames: a trick of the
# demo game drawn frame by frame (dravo snapshot, the view's 640x480 back buffer as the export captures
# it), then at 64, 128 and 256 pixels, opaque and transparent:
#   ours plain       the export as the window's Gif button writes it (a full frame and palette each)
#   ours --optimize  cropped frames, unchanged pixels see-through, a shared palette where it serves
#   ffmpeg           palettegen + paletteuse with their defaults (one palette, sierra2_4a dithering,
#                    the GIF encoder's own cropping and transparent differences), on the frames exactly
#                    as our export scales them
# Error: the mean squared error over red, green and blue of every frame as a decoder shows it, against
# those scaled frames, averaged over the frames (0-255 units); a see-through pixel counts as the
# background's colour. Bytes: the file's size.
# Usage: bench/gif/optimize.sh [GAME_DIR [TRICK]]   (default: the demo game, nacnac)
#   BUILD_DIR=folder runs an existing build as it is; SIZES="64 128 256" and MODES="opaque transparent".
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
out="${GIF_BENCH_OUT:-$(mktemp -d /tmp/dravo-gifopt-bench.XXXXXX)}"
mkdir -p "$out"
command -v ffmpeg >/dev/null || { echo "optimize: ffmpeg is needed" >&2; exit 1; }

build="${BUILD_DIR:-$root/build/release}"
if [ -z "${BUILD_DIR:-}" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target gif_bench dravo >/dev/null
fi
bench="$build/bench/gif/gif_bench"
dravo="$build/tools/dravo/dravo"

game="${1:-}"
trick="${2:-nacnac}"
if [ -z "$game" ]; then
  game="$out/game"
  [ -d "$game" ] || "$dravo" demo "$game" >/dev/null
fi

# The frames, once: as many as the trick has.
count=$("$dravo" gif --game "$game" --trick "$trick" --size 64 "$out/count.gif" | sed -nE 's/.*: ([0-9]+) frames.*/\1/p')
mkdir -p "$out/png"
for f in $(seq 1 "$count"); do
  png=$(printf '%s/png/%03d.png' "$out" "$f")
  [ -s "$png" ] || "$dravo" snapshot --game "$game" --trick "$trick" --frame "$f" -o "$png" >/dev/null
done

field() { sed -nE "s/.*$1=([0-9.]+).*/\1/p"; }
rows=()
for mode in ${MODES:-opaque transparent}; do
  for size in ${SIZES:-64 128 256}; do
    dir="$out/$mode-$size"
    "$bench" export "$dir" "$size" "$mode" "$out"/png/*.png >"$dir.times"
    # The export driven here must be the one dravo gif runs.
    flag=$([ "$mode" = opaque ] && echo --opaque || echo --transparent)
    "$dravo" gif --game "$game" --trick "$trick" --size "$size" $flag "$dir/dravo.gif" >/dev/null
    cmp -s "$dir/dravo.gif" "$dir/plain.gif" || echo "optimize: $mode $size: frames differ from dravo gif's" >&2
    ffmpeg -v error -y -f rawvideo -pix_fmt bgra -s "${size}x${size}" -framerate 15 -i "$dir/frames.bgra" \
      -lavfi "split[a][b];[a]palettegen[p];[b][p]paletteuse" "$dir/ffmpeg.gif"
    for what in plain optimized ffmpeg; do
      "$bench" measure "$dir/$what.gif" "$dir/frames.bgra" "$size" >"$dir/$what.measure"
    done
    rows+=("$mode $size $(field bytes <"$dir/plain.measure") $(field mse <"$dir/plain.measure") \
$(field bytes <"$dir/optimized.measure") $(field mse <"$dir/optimized.measure") \
$(field bytes <"$dir/ffmpeg.measure") $(field mse <"$dir/ffmpeg.measure") \
$(field alpha_mismatch <"$dir/optimized.measure") $(field alpha_mismatch <"$dir/ffmpeg.measure") \
$(field plain_ms <"$dir.times") $(field optimized_ms <"$dir.times")")
  done
done

echo "$trick, $count frames of the demo game (files in $out)"
printf '%-15s | %9s %8s | %9s %8s | %9s %8s | %s\n' "frames" "plain B" "MSE" "optim. B" "MSE" "ffmpeg B" "MSE" \
  "see-through pixels wrong (ours, ffmpeg)"
for r in "${rows[@]}"; do
  set -- $r
  printf '%-15s | %9d %8.4f | %9d %8.4f | %9d %8.4f | %s, %s\n' "$1 $2" "$3" "$4" "$5" "$6" "$7" "$8" "$9" "${10}"
done
echo
printf '%-40s | %18s | %18s | %6s\n' "work" "ours --optimize" "ffmpeg default" "ratio"
for r in "${rows[@]}"; do
  set -- $r
  printf '%-40s | %15.1f KB | %15.1f KB | %6.2f\n' "GIF size, $1 $2" "$(echo "$5/1024" | bc -l)" \
    "$(echo "$7/1024" | bc -l)" "$(echo "$5/$7" | bc -l)"
  printf '%-40s | %18.4f | %18.4f | %6.2f\n' "mean squared error, $1 $2" "$6" "$8" \
    "$(awk -v a="$6" -v b="$8" 'BEGIN{print (b>0)?a/b:0}')"
done
echo
printf '%-40s | %18s | %18s | %6s\n' "work (CPU of the export, all frames)" "ours --optimize" "ours plain" "ratio"
for r in "${rows[@]}"; do
  set -- $r
  printf '%-40s | %15.1f ms | %15.1f ms | %6.2f\n' "export, $1 $2" "${12}" "${11}" \
    "$(awk -v a="${12}" -v b="${11}" 'BEGIN{print (b>0)?a/b:0}')"
done
