# Sourced by the compare scripts: works from the repository's root and runs a benchmark of the release
# build. BUILD_DIR=folder runs the programs of an existing build as they are, without building anything.
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# bench_dir: the build folder the programs come from, built first unless BUILD_DIR names one.
bench_dir() {
  if [ -n "${BUILD_DIR:-}" ]; then
    echo "$BUILD_DIR"
  else
    echo build/release
  fi
}

# bench_build <target>...: builds the targets in the release preset, unless BUILD_DIR is given.
bench_build() {
  [ -n "${BUILD_DIR:-}" ] && return 0
  cmake --preset release >/dev/null
  cmake --build --preset release --target "$@" >/dev/null
}

# bench_csv <folder> <program> <repetitions> [flags...]: builds bench/<folder>/<program> and prints its
# CSV, the aggregates of the repetitions only. The benchmark library makes no median of a single run, so
# one repetition becomes two.
bench_csv() {
  local reps="$3"
  local extra=("${@:4}")
  if [ "$reps" -lt 2 ]; then
    echo "bench: a median needs at least 2 repetitions; running 2" >&2
    reps=2
  fi
  bench_build "$2"
  "$(bench_dir)/bench/$1/$2" --benchmark_format=csv \
    --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true "${extra[@]}" 2>/dev/null
}

# The table every script prints: a header, then `row WORK OURS REFERENCE RATIO` lines.
table_header() {
  printf '%-46s | %14s | %14s | %7s\n' "work" "ours" "reference" "ratio"
  printf '%-46s-|-%14s-|-%14s-|-%7s\n' "----------------------------------------------" "--------------" "--------------" "-------"
}
