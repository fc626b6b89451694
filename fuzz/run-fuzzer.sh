#!/usr/bin/env bash
# Runs the caption reader's fuzz target for a fixed time, starting from the sample documents.
# Usage: run-fuzzer.sh FUZZER SEEDS WORKDIR [SECONDS]
# New inputs go to WORKDIR/corpus, a crashing input to WORKDIR/artifacts; the exit code is the
# fuzzer's (0 when nothing was found).
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=${4:-20}
mkdir -p "$work/corpus" "$work/artifacts"
dict="$(dirname "$0")/rtf.dict"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
  -dict="$dict" -print_final_stats=1 -artifact_prefix="$work/artifacts/" "$work/corpus" "$seeds"
