#!/usr/bin/env bash
# Starts the program from a build's bin folder.
set -euo pipefail
bin=$1
if [ -x "$bin/tavlo" ]; then
  exec "$bin/tavlo"
fi
# Until the window program exists: show the settings tool on an example file.
example=$(mktemp -d)/config.db
"$bin/tavlo-config" "$example" set string SSID "Tavlo-热点"
"$bin/tavlo-config" "$example" set int Autorun 1
"$bin/tavlo-config" "$example" list
