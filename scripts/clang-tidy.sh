#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) on every source file of src/ with the compile commands of
# a configured build (default: build/), two files at a time. Fails on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
runner=$(command -v run-clang-tidy || command -v run-clang-tidy-14 || true)
if [ -z "$runner" ]; then
    echo "run-clang-tidy not found: install the clang-tidy package" >&2
    exit 1
fi
mapfile -t files < <(find src -name '*.cpp' | sort)
"$runner" -quiet -p "$build" -j "${TIDY_JOBS:-2}" "${files[@]/#/$PWD/}"
