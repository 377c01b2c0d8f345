#!/usr/bin/env bash
# Formats the C++ sources with the root .clang-format; CMake files and scripts are not C++ and are
# left alone. With --check, changes nothing and fails when a file would change.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(-i)
if [ "${1:-}" = "--check" ]; then mode=(--dry-run -Werror); fi
git ls-files -z -- 'src/*.cpp' 'src/*.h' 'tools/*.cpp' 'tools/*.h' 'tests/*.cpp' 'tests/*.h' \
    'bench/*.cpp' 'bench/*.h' 'fuzz/*.cpp' 'fuzz/*.h' | xargs -0 clang-format "${mode[@]}"
