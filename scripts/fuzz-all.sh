#!/usr/bin/env bash
# Runs every fuzz target of the fuzz build for the given seconds (default 60) from its seeds.
# Findings are written under build/fuzz/findings/ and make the script fail.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
out=build/fuzz/findings
mkdir -p "$out"
status=0
for corpus in fuzz/corpus/*/; do
  name=$(basename "$corpus")
  bin=build/fuzz/fuzz/$name
  [ -x "$bin" ] || continue
  work=$(mktemp -d)
  cp -r "$corpus". "$work"/
  # Inputs large enough for the bombs each reader must refuse (a motion declares at most one frame
  # per byte, so its bomb needs room); a run past the memory limit is a finding.
  case "$name" in
    mot_fuzz) max_len=262144 ;;
    pak_*|player_pak_fuzz|png_fuzz|tga_fuzz|bmp_fuzz|dxt_fuzz|dxg_fuzz) max_len=65536 ;;
    *) max_len=4096 ;;
  esac
  echo "fuzz: $name for ${seconds}s"
  if ! "$bin" -max_total_time="$seconds" -max_len="$max_len" -rss_limit_mb=1024 -artifact_prefix="$out/$name-" \
       -print_final_stats=1 "$work" >"$out/$name.log" 2>&1; then
    echo "fuzz: $name found a problem; see $out/$name.log"
    status=1
  fi
  # The edges the run reached, for notes and comparisons.
  grep -Eo 'cov: [0-9]+' "$out/$name.log" | tail -1 | sed "s/^/fuzz: $name /" || true
  rm -rf "$work"
done
exit $status
