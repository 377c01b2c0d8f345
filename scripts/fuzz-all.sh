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
  echo "fuzz: $name for ${seconds}s"
  if ! "$bin" -max_total_time="$seconds" -artifact_prefix="$out/$name-" -print_final_stats=0 \
       "$work" >"$out/$name.log" 2>&1; then
    echo "fuzz: $name found a problem; see $out/$name.log"
    status=1
  fi
  rm -rf "$work"
done
exit $status
