#!/usr/bin/env bash
# Drives the built tavlo as a user would, against a simulated system in a temporary folder:
# readiness, start, devices joining and leaving, stop, a second instance, and the orderly exit.
# Observes the window through TAVLO_STATE_DUMP and the simulated system through tavlo-sim and
# its state files. Under Xvfb with xdotool the clicks are real X clicks and the window's
# pictures are kept in DOCS (second argument) when given.
# Usage: e2e.sh BIN_DIR [DOCS_DIR]
set -euo pipefail
bin=$(cd "$1" && pwd)
docs=${2:-}

if [ -z "${TAVLO_E2E_INNER:-}" ]; then
  if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
    echo "e2e: needs xvfb-run and xdotool (tools/setup-debian.sh installs them)"; exit 77
  fi
  export TAVLO_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

tmp=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
mkdir -p "$tmp/run" "$tmp/xdg" && chmod 700 "$tmp/run"
export TAVLO_BACKEND=sim TAVLO_SIM_DIR=$tmp/sim XDG_RUNTIME_DIR=$tmp/run XDG_CONFIG_DIRS=$tmp/xdg
export QT_QPA_PLATFORM=xcb TAVLO_STATE_DUMP=$tmp/state
unset DBUS_SESSION_BUS_ADDRESS

fail() { echo "e2e: FAIL: $*"; [ -f "$tmp/state" ] && cat "$tmp/state"; exit 1; }
value() { sed -n "s/^$1=//p" "$tmp/state" 2>/dev/null; }
wait_for() {  # KEY VALUE [SECONDS]
  local deadline=$((SECONDS + ${3:-10}))
  until [ "$(value "$1")" = "$2" ]; do
    [ $SECONDS -lt $deadline ] || fail "$1 is '$(value "$1")', expected '$2'"
    sleep 0.05
  done
}
click() {  # CONTROL
  local rect center
  rect=$(value window_rect); center=$(value "center_$1")
  [ -n "$center" ] || fail "no control $1"
  xdotool mousemove $(( ${rect%%,*} + ${center%,*} )) \
    $(( $(echo "$rect" | cut -d, -f2) + ${center#*,} )) click 1
}
shot() {  # NAME
  [ -n "$docs" ] && sleep 0.3 && cp "$tmp/state.png" "$docs/$1.png"
  return 0
}

"$bin/tavlo" & pids+=($!)
main=$!
wait_for ready 1 10
wait_for Btn_Run 1 5
shot main-ready

# A second start wakes the first and ends with 0, also when the first is hidden.
click sysbtn_close
wait_for window_visible 0
"$bin/tavlo" || fail "second instance ended with $?"
wait_for window_visible 1 5

click Btn_Run
wait_for Static_init 1 2
shot main-starting
wait_for Btn_Close 1 10
[ "$(value Static_wifi)" = wifi_ico4.png ] || fail "status image"
[ "$(value tray_icon)" = 130 ] || fail "tray icon"
[ "$(value balloon)" = "已开启WiFi热点，尽情享受吧！" ] || fail "balloon"
shot main-sharing
grep -q public "$tmp/sim/sharing.state" || fail "no public connection while sharing"
grep -q '^enabled=1' "$tmp/sim/wireless.state" || fail "hosted network not enabled while sharing"

"$bin/tavlo-sim" join 00-1A-2B-3C-4D-01 >/dev/null
"$bin/tavlo-sim" join 00-1A-2B-3C-4D-02 >/dev/null
"$bin/tavlo-sim" join 00-1A-2B-3C-4D-03 >/dev/null
wait_for rows "0 00-1A-2B-3C-4D-01,1 00-1A-2B-3C-4D-02,2 00-1A-2B-3C-4D-03"
"$bin/tavlo-sim" leave 00-1A-2B-3C-4D-02 >/dev/null
wait_for rows "0 00-1A-2B-3C-4D-01,2 00-1A-2B-3C-4D-03"
click optionUsers
wait_for page 1
shot main-devices
"$bin/tavlo-sim" status | grep -qi active || fail "tavlo-sim status does not show the network active"

# The orderly exit ("menu_Exit", also what a session's SIGTERM runs) leaves nothing shared.
kill -TERM "$main"
for _ in $(seq 100); do kill -0 "$main" 2>/dev/null || break; sleep 0.1; done
kill -0 "$main" 2>/dev/null && fail "tavlo did not end"
wait "$main" || fail "tavlo ended with $?"
grep -q '^enabled=0' "$tmp/sim/wireless.state" || fail "hosted network left enabled"
grep -qE 'public|private' "$tmp/sim/sharing.state" && fail "sharing left on"
echo "e2e: ok"
