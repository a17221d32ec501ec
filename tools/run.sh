#!/usr/bin/env bash
# Starts an already built tavlo from a bin folder (default build/default/bin; `make run` builds
# it first), on the simulated system unless TAVLO_BACKEND says otherwise. It builds nothing.
# Without a display it runs offscreen, so tavlo-sim can still drive it.
# Usage: run.sh [BIN_DIR] [TAVLO_ARGUMENTS...]
set -euo pipefail
bin=${1:-build/default/bin}
[ $# -gt 0 ] && shift
if [ ! -x "$bin/tavlo" ]; then
  echo "run: no program at $bin/tavlo; build it first (make build, or make run)." >&2
  exit 1
fi
export TAVLO_BACKEND=${TAVLO_BACKEND:-sim}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run: no display; starting tavlo without a window (QT_QPA_PLATFORM=offscreen)." >&2
  echo "run: nothing can press its buttons there, so the hotspot stays off; $bin/tavlo-sim status" >&2
  echo "run: shows the simulated system. Start it on a desktop to use the window. Ctrl+C quits." >&2
  export QT_QPA_PLATFORM=offscreen
fi
exec "$bin/tavlo" "$@"
