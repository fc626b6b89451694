#!/usr/bin/env bash
# Installs what is needed, checks that the libraries depend only on those below them, builds the
# board, runs clang-tidy on src/ and every test: unit and system tests on the normal build, then the
# unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)

python3 scripts/check-layers.py
cmake --preset default
cmake --build --preset default -j "$jobs"
TIDY_JOBS=$jobs bash scripts/clang-tidy.sh build
ctest --preset default -j "$jobs"

cmake --preset sanitize
cmake --build --preset sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --preset sanitize -j "$jobs"
