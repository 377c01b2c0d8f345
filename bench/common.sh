# Sourced by the compare scripts: works from the repository's root and runs a benchmark of the release
# build.
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# bench_csv <folder> <program> <repetitions>: builds bench/<folder>/<program> and prints its CSV, the
# aggregates of the repetitions only. The benchmark library makes no median of a single run, so one
# repetition becomes two.
bench_csv() {
  local reps="$3"
  if [ "$reps" -lt 2 ]; then
    echo "bench: a median needs at least 2 repetitions; running 2" >&2
    reps=2
  fi
  cmake --preset release >/dev/null
  cmake --build --preset release --target "$2" >/dev/null
  "./build/release/bench/$1/$2" --benchmark_format=csv \
    --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true 2>/dev/null
}
