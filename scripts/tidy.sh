#!/usr/bin/env bash
# Runs clang-tidy with the root .clang-tidy over the given sources (default: the files changed
# since main's merge base), using the release build's compile commands.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/release
[ -f "$build/compile_commands.json" ] || cmake --preset release -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
if [ $# -eq 0 ]; then
  mapfile -t files < <(git diff --name-only "$(git merge-base HEAD main)" -- 'src/*.cpp' 'tools/*.cpp')
else
  files=("$@")
fi
[ ${#files[@]} -eq 0 ] && { echo "tidy: nothing to check"; exit 0; }
clang-tidy -p "$build" --quiet "${files[@]}"
