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
