#!/usr/bin/env bash
# Runs one fuzz target for a fixed time, starting from its seed inputs.
# Usage: run-fuzzer.sh FUZZER SEEDS WORKDIR [SECONDS [DICTIONARY]]
# SEEDS is one folder or several joined by ":" (the seeds and the kept corpus); missing ones are
# left out.
# New inputs go to WORKDIR/corpus, a crashing input to WORKDIR/artifacts; the exit code is the
# fuzzer's (0 when nothing was found).
set -euo pipefail
fuzzer=$1 seeds=$2 work=$3 seconds=${4:-20} dict=${5:-}
mkdir -p "$work/corpus" "$work/artifacts"
args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384
      -print_final_stats=1 -artifact_prefix="$work/artifacts/")
if [ -n "$dict" ]; then args+=(-dict="$dict"); fi
IFS=: read -r -a folders <<< "$seeds"
inputs=()
for folder in "${folders[@]}"; do
    if [ -d "$folder" ]; then inputs+=("$folder"); fi
done
exec "$fuzzer" "${args[@]}" "$work/corpus" "${inputs[@]}"
