#!/usr/bin/env bash
# Starts the program from a build's bin folder, on the simulated system unless told otherwise.
set -euo pipefail
bin=$1
export TAVLO_BACKEND=${TAVLO_BACKEND:-sim}
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  # A machine without a desktop still runs the program, so tavlo-sim can drive it.
  echo "run: no display; starting tavlo without a window (QT_QPA_PLATFORM=offscreen)." >&2
  echo "run: drive it with $bin/tavlo-sim status | join MAC | leave MAC; stop it with Ctrl+C." >&2
  export QT_QPA_PLATFORM=offscreen
fi
exec "$bin/tavlo"
