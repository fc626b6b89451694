#!/usr/bin/env bash
# Installs what is needed, builds the board and starts it on the built-in demo show.
#
# With a display (DISPLAY set) the board covers the screen until it is stopped: drop a file named
# CLOSE.APP into build/demo/, or run `pkill -TERM -x tavorel`.
# Without a display it runs on its own virtual X display for DEMO_SECONDS (default 30) and saves
# screenshots of what it showed into demo-output/.
# DEMO_SHOW=playlist runs the playlist variant instead (build/demo-playlist/): items, times and
# rich-text captions from a playlist.ini.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/install-deps.sh
cmake --preset default
cmake --build --preset default -j "$(nproc 2>/dev/null || echo 2)"

if [ "${DEMO_SHOW:-}" = playlist ]; then
  demo="$root/build/demo-playlist"
  show_options=(--playlist)
else
  demo="$root/build/demo"
  show_options=()
fi
rm -rf "$demo"
mkdir -p "$demo"
/usr/bin/python3 scripts/make-demo-show.py "$demo" "${show_options[@]}"
cp build/tavorel "$demo/tavorel"
touch "$demo/ERROR.LOG"

if [ -n "${DISPLAY:-}" ]; then
  echo "Starting the board on display $DISPLAY; stop it with: touch '$demo/CLOSE.APP'"
  exec "$demo/tavorel"
fi

out="$root/demo-output"
rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A virtual display of our own, on the first free number.
exec 3<> "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1280x720x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  num=$(head -n1 "$work/displayfd" 2>/dev/null || true)
  [ -n "$num" ] && break
  sleep 0.1
done
export DISPLAY=":$num"

# A private sound server with a silent output, so the master volume can be saved and restored.
export PULSE_RUNTIME_PATH="$work/pulse" XDG_RUNTIME_DIR="$work" HOME="$work"
mkdir -p "$PULSE_RUNTIME_PATH"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --load="module-null-sink sink_name=demo" \
  --load=module-native-protocol-unix >"$work/pulse.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do [ -S "$PULSE_RUNTIME_PATH/native" ] && break; sleep 0.1; done

export DBUS_SESSION_BUS_ADDRESS=disabled: QT_QPA_PLATFORM=xcb
seconds=${DEMO_SECONDS:-30}
echo "No display: running the demo show for $seconds s on virtual display $DISPLAY"
"$demo/tavorel" >"$out/board.log" 2>&1 &
board=$!
pids+=($board)
for i in $(seq 1 "$seconds"); do
  sleep 1
  if (( i % 3 == 0 )); then
    import -window root "$out/screen-$(printf '%03d' "$i").png" 2>/dev/null || true
  fi
done
touch "$demo/CLOSE.APP"
kill -TERM "$board" 2>/dev/null || true
wait "$board" 2>/dev/null || true
echo "Screenshots of the demo show are in $out/"
