#!/usr/bin/env bash
# Runs every benchmark on the current build and prints their tables, measured side by side in one
# run. Usage: bench/run.sh [--long]   (--long: the memory soak to 20 000 switches; takes hours)
set -uo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
[ -x "$build/tavorel" ] || { echo "build the board first: cmake --preset default && cmake --build --preset default"; exit 1; }
py=/usr/bin/python3
switches="1000 5000"
mixed_switches="1000 2000"
if [ "${1:-}" = "--long" ]; then switches="1000 20000"; mixed_switches="1000 20000"; fi

benchmarks() {
  echo "== Picture switch latency (1920 x 1080 window)"
  "$build/bench/bench_picture_switch" 5
  echo
  echo "== Folder re-read"
  "$build/bench/bench_folder_reread" 10000 9
  echo
  echo "== Captions and the playlist search"
  "$build/bench/bench_caption" 20000
  echo
  echo "== Timetable check"
  "$build/bench/bench_schedule_tick" 201
  echo
  echo "== Start-up"
  $py bench/startup.py "$build/tavorel" 9
  echo
  for extra in bench/video.py bench/web_memory.py; do
    if [ -e "$extra" ]; then
      echo "== $(basename "$extra")"
      case "$extra" in *.sh) bash "$extra" "$build/tavorel" ;; *) $py "$extra" "$build/tavorel" ;; esac
      echo
    fi
  done
  echo "== Memory of a pictures-only show"
  $py bench/memory.py "$build/tavorel" $switches
  echo
  echo "== Memory of a show of pictures and clips"
  $py bench/memory.py "$build/tavorel" --clips $mixed_switches
  echo
  echo "== Memory of a mixed show (pictures, clips, web pages; board and its web processes)"
  $py bench/memory.py "$build/tavorel" --mixed $mixed_switches
}

log=$(mktemp)
trap 'rm -f "$log"' EXIT
benchmarks 2>&1 | tee "$log"

# The figures that have targets, one line each, taken from the tables above.
echo
echo "== Summary: measured | target"
awk '
  /^== / { section = substr($0, 4) }
  / board-warm / { printf "switch, file seen before, %s: %s ms | within 16 ms\n", $1, $5 }
  / board-cold / { printf "switch, not seen before, %s: naive/board %s | at least 3x (24 MP JPEG)\n", $1, $NF }
  /board list\+sort/ { printf "folder re-read: board/ls %s | at most 1.00\n", $NF }
  /^CPU, 1080p30/ { printf "video CPU: board/bare playbin %s | at most 1.3\n", $NF }
  /^frames: clip/ { printf "video frames: %s of %s painted | all\n", $7, $3 }
  /^clip end to next item on screen/ { printf "clip end to next item: median %s ms, worst %s ms | within 100 ms\n", $9, $12 }
  /^start-up to window/ { printf "start-up: median %s ms | within 300 ms\n", $7 }
  /^pictures-only show, after/ { last = $0 }
  /^growth from/ {
    target = section ~ /web/ ? "bounded: pages replaced after 100 loads" : "at most +5 MB (pictures, clips)"
    printf "%s: %s | %s\n", section, $0, target
  }
  END { if (last) { sub(/.*RSS /, "", last); printf "pictures-only show, last reading: %s | at most 80 MB\n", last } }
' "$log"
