#!/usr/bin/env bash
# Starts an already built tavlo from a bin folder (default build/default/bin; `make run` builds
# it first). It builds nothing. Unless TAVLO_BACKEND says otherwise, the hotspot is real
# (NetworkManager) where this machine has a WiFi card that can be an access point, and
# simulated elsewhere.
# Without a display it runs offscreen, so tavlo-sim can still drive it.
# Usage: run.sh [BIN_DIR] [TAVLO_ARGUMENTS...]
set -euo pipefail
bin=${1:-build/default/bin}
[ $# -gt 0 ] && shift
if [ ! -x "$bin/tavlo" ]; then
  echo "run: no program at $bin/tavlo; build it first (make build, or make run)." >&2
  exit 1
fi
if [ -z "${TAVLO_BACKEND:-}" ]; then
  if why=$("$bin/tavlo" --check-hotspot 2>&1); then
    export TAVLO_BACKEND=linux
    echo "run: $why; the hotspot is real (TAVLO_BACKEND=linux)." >&2
  else
    export TAVLO_BACKEND=sim
    echo "run: $why; using the simulated system (TAVLO_BACKEND=sim)." >&2
    echo "run: the window title says （模拟）; $bin/tavlo-sim drives it." >&2
  fi
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "run: no display; starting tavlo without a window (QT_QPA_PLATFORM=offscreen)." >&2
  echo "run: nothing can press its buttons there, so the hotspot stays off; $bin/tavlo-sim status" >&2
  echo "run: shows the simulated system. Start it on a desktop to use the window. Ctrl+C quits." >&2
  export QT_QPA_PLATFORM=offscreen
fi
exec "$bin/tavlo" "$@"
