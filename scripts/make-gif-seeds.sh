#!/usr/bin/env bash
# Writes the seeds of the GIF frame fuzzer (fuzz/gif_frame_fuzz.cpp): 5 bytes of width, height, GIF side,
# palette size and flags, then pixels in blue, green, red, alpha order.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=fuzz/corpus/gif_frame_fuzz
rm -rf "$dir"
mkdir -p "$dir"
# Two colours, 8 x 8 to 4 x 4, transparent: a checker of black and white.
printf '\x07\x07\x03\x00\x01\x00\x00\x00\xff\xff\xff\xff\xff' >"$dir/checker"
# A ramp of 300 colours, 40 x 30 to 31 x 31, 16 colours, opaque.
{ printf '\x27\x1d\x1e\x0e\x00'; for i in $(seq 0 299); do printf "\\x$(printf %02x $((i % 256)))\\x$(printf %02x $((i * 7 % 256)))\\x$(printf %02x $((i / 2)))\\xff"; done; } >"$dir/ramp"
# Many colours, 64 x 48 to 48 x 48, 256 colours, transparent, over a background run.
{ printf '\x3f\x2f\x2f\xfe\x01'; for i in $(seq 0 599); do printf '\x80\x80\x90\x00'; done;
  for i in $(seq 0 1499); do printf "\\x$(printf %02x $((i * 13 % 256)))\\x$(printf %02x $((i * 29 % 256)))\\x$(printf %02x $((i * 53 % 256)))\\x00"; done; } >"$dir/many"
