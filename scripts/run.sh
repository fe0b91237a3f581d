#!/usr/bin/env bash
# Prepares the working directory build/run from the staged data files and starts the program there.
# On a machine without a display it starts a virtual X server and a VNC server on localhost to watch it through.
set -euo pipefail
cd "$(dirname "$0")/.."
build=build/default
workdir=build/run
program=$PWD/$build/bin/QXDownloadTool

mkdir -p "$workdir"
# -u: staged data replaces older copies, while settings the program wrote itself stay.
cp -ru "$build/workdir/." "$workdir/"
# A new working directory starts with settings that list a J-Link target; later the program's own stay.
[ -e "$workdir/SysConfig.ini" ] || cp resources/SysConfig.ini "$workdir/SysConfig.ini"

if [ ! -x "$program" ]; then
  echo "The program's main window is not built yet; the tree so far holds the libraries and tests below."
  ls "$build/bin" 2>/dev/null || true
  echo "Working directory prepared in $workdir."
  exit 0
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  display=99
  while [ -e "/tmp/.X${display}-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
  helpers=($!)
  trap 'kill "${helpers[@]}" 2>/dev/null || true' EXIT
  export DISPLAY=":$display"
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
  # Title bars, so that the window can be moved and closed (with the exit question) over VNC.
  if command -v openbox >/dev/null; then
    openbox >/dev/null 2>&1 &
    helpers+=($!)
  fi
  port=$((5900 + display - 99))
  x11vnc -display "$DISPLAY" -localhost -forever -nopw -quiet -rfbport "$port" >/dev/null 2>&1 &
  helpers+=($!)
  echo "No display found: QXDownloadTool runs on the virtual X server $DISPLAY."
  echo "To see and use it, connect a VNC viewer to localhost:$port"
  echo "(from another machine: ssh -L $port:localhost:$port <this host>, then open localhost:$port). Ctrl+C stops it."
fi

cd "$workdir"
status=0
"$program" "$@" || status=$?
# A language switch starts the program again and then ends this process: the display and the VNC server stay
# until the last program of this run (one in this process group) has ended.
group=$(ps -o pgid= -p $$ | tr -d ' ')
while pgrep -x -g "$group" QXDownloadTool >/dev/null; do sleep 1; done
exit "$status"
