#!/usr/bin/env bash
# Starts the program from a build's bin folder, on the simulated system unless told otherwise.
set -euo pipefail
bin=$1
export TAVLO_BACKEND=${TAVLO_BACKEND:-sim}
exec "$bin/tavlo"
