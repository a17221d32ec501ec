#!/usr/bin/env bash
# Drives the built tavlo on its NetworkManager backend, as a user would, under Xvfb: a private
# D-Bus daemon of this run carries stand-ins of NetworkManager (a cable with the default route,
# a Wi-Fi card that can be an access point) and wpa_supplicant (the card's stations).
#   run 1: a typed name and password reach NetworkManager's AddAndActivateConnection2; a
#          station joins and leaves on screen; 关闭共享 deactivates the access point;
#   run 2: start again, then kill -9: NetworkManager ends the access point bound to the
#          vanished client;
#   run 3: the saved name comes back, and a SIGTERM during sharing leaves nothing on.
# The window is observed through TAVLO_STATE_DUMP; clicks and typing are real X input. Every
# process started here is ended at exit, failed or not. Nothing touches the machine's buses.
# Usage: e2e_nm.sh BIN_DIR [DOCS_DIR]
set -euo pipefail
bin=$(cd "$1" && pwd)
docs=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
templates=$(cd "$here/../nm" && pwd)
# The stand-ins need the Debian package, which a python3 earlier on PATH may lack.
py=/usr/bin/python3

if [ -z "${TAVLO_E2E_INNER:-}" ]; then
  for tool in xvfb-run xdotool dbus-daemon; do
    command -v "$tool" >/dev/null || { echo "e2e_nm: skipped: $tool is missing"; exit 77; }
  done
  if ! [ -x "$py" ] || ! "$py" -c 'import dbusmock' 2>/dev/null; then
    echo "e2e_nm: skipped: $py has no dbusmock (package python3-dbusmock)"; exit 77
  fi
  export TAVLO_E2E_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi

tmp=$(mktemp -d)
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill -KILL "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$tmp/run" "$tmp/xdg" "$tmp/bin" && chmod 700 "$tmp/run"
# The settings store lives beside the executable: a copy of its own keeps this run's settings
# out of the build folder and the build folder's out of this run.
for f in tavlo skin.zip; do
  ln "$bin/$f" "$tmp/bin/$f" 2>/dev/null || cp "$bin/$f" "$tmp/bin/$f"
done
export XDG_RUNTIME_DIR=$tmp/run XDG_CONFIG_DIRS=$tmp/xdg XDG_CONFIG_HOME=$tmp/config
export XDG_STATE_HOME=$tmp/state TAVLO_STATE_DUMP=$tmp/state QT_QPA_PLATFORM=xcb
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$tmp/bus
unset DBUS_SESSION_BUS_ADDRESS TAVLO_SIM_DIR TAVLO_WEB_HOST

fail() {
  echo "e2e_nm: FAIL: $*"
  [ -f "$tmp/state" ] && cat "$tmp/state"
  for log in "$tmp"/*.log; do
    [ -s "$log" ] && { echo "--- $log"; grep -v ' GetAll ' "$log" | tail -20; }
  done
  exit 1
}
value() { sed -n "s/^$1=//p" "$tmp/state" 2>/dev/null; }
wait_for() {  # KEY VALUE [SECONDS]
  local deadline=$((SECONDS + ${3:-10}))
  until [ "$(value "$1")" = "$2" ]; do
    [ $SECONDS -lt $deadline ] || fail "$1 is '$(value "$1")', expected '$2'"
    sleep 0.05
  done
}
click() {  # CONTROL: a real click in the middle of a control of the main window
  local rect center
  rect=$(value window_rect); center=$(value "center_$1")
  [ -n "$center" ] && [ -n "$rect" ] || fail "no center_$1 in the state dump"
  # From elsewhere: a window that opened under a resting pointer has seen no move onto the
  # control yet.
  xdotool mousemove --sync 1 1 mousemove --sync $(( ${rect%%,*} + ${center%,*} )) \
    $(( $(echo "$rect" | cut -d, -f2) + ${center#*,} )) click 1
}
# Types TEXT into the focused edit EDIT one character at a time, each checked on screen: xdotool
# borrows a spare key for a character the keyboard lacks, and a toolkit that reads the key map
# late may see the next borrowed character instead, so a wrong one is taken back and typed again.
type_into() {  # EDIT TEXT
  local typed="" c tries deadline
  for ((i = 0; i < ${#2}; i++)); do
    c=${2:i:1}
    for tries in 1 2 3 4; do
      xdotool type -- "$c"
      deadline=$((SECONDS + 3))
      while [ "$(value "$1")" = "$typed" ] && [ $SECONDS -lt $deadline ]; do sleep 0.02; done
      [ "$(value "$1")" = "$typed$c" ] && break
      [ "$(value "$1")" = "$typed" ] || xdotool key BackSpace
      wait_for "$1" "$typed" 3
    done
    typed+=$c
    wait_for "$1" "$typed" 1
  done
}
stand_in() { "$py" "$here/nm_stand_ins.py" "$@" || fail "nm_stand_ins.py $*"; }
hotspots() {  # the number of active connections named Tavlo; "unreachable" without an answer
  local out
  out=$("$py" "$here/nm_stand_ins.py" active) || { echo unreachable; return; }
  grep -c '^Tavlo ' <<<"$out" || true
}
wait_hotspots() {  # COUNT [SECONDS]: active connections named Tavlo
  local deadline=$((SECONDS + ${2:-10}))
  until [ "$(hotspots)" = "$1" ]; do
    [ $SECONDS -lt $deadline ] || fail "$(hotspots) hotspots active, expected $1: $(stand_in active)"
    sleep 0.1
  done
}
ends_within() {  # PID SECONDS
  for _ in $(seq $(( $2 * 10 ))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
# UTF-8 as the system code page: the name reaches NetworkManager as its UTF-8 bytes.
start_tavlo() {
  rm -f "$tmp/state"
  LC_ALL=C.UTF-8 TAVLO_BACKEND=linux "$tmp/bin/tavlo" >>"$tmp/tavlo.log" 2>&1 &
  pids+=($!)
  main=$!
  wait_for ready 1 15
  wait_for Btn_Run 1 5
}
# The titles of the program's own windows, one a line.
titles() {
  local w
  for w in $(xdotool search --all --pid "$main" --name '.' 2>/dev/null); do
    xdotool getwindowname "$w" 2>/dev/null || true
  done
}

# The private bus, then NetworkManager with its network, then wpa_supplicant.
cat >"$tmp/bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$tmp/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
dbus-daemon --config-file="$tmp/bus.conf" --nofork --nopidfile >"$tmp/dbus-daemon.log" 2>&1 &
pids+=($!)
"$py" -m dbusmock --system --template "$templates/nm_template.py" \
  -p '{"ActivationDelayMs": 50}' >"$tmp/nm.log" 2>&1 &
pids+=($!)
stand_in wait-name org.freedesktop.NetworkManager 30
stand_in network
"$py" -m dbusmock --system --template "$templates/wpa_template.py" \
  -p '{"Interfaces": ["wlan0"]}' >"$tmp/wpa.log" 2>&1 &
pids+=($!)
stand_in wait-name fi.w1.wpa_supplicant1 30
stand_ins=("${pids[@]}")

ssid="测试热点-e2e"
password="e2e-pass-1234"
station=02:11:22:33:44:55
row="0|02-11-22-33-44-55|随机地址|"

# Run 1.
echo "e2e_nm: run 1: type, start, a station, stop"
start_tavlo
names=$(titles)
grep -qx tavlo <<<"$names" || fail "no window titled tavlo: $names"
grep -q '模拟' <<<"$names" && fail "the real system's window says it is simulated: $names"

click Edit_SSID
type_into Edit_SSID "$ssid"
click Edit_PWD
type_into Edit_PWD "$password"
click Btn_Run
wait_for Btn_Close 1 15
[ "$(value balloon)" = "已开启WiFi热点，尽情享受吧！" ] || fail "balloon"
[ "$(value Static_wifi)" = wifi_ico4.png ] || fail "status image"

calls=$(stand_in calls)
[ "$(wc -l <<<"$calls")" = 1 ] || fail "expected one activation, got: $calls"
"$py" - "$ssid" "$password" "$calls" <<'PY' || fail "the activation: $calls"
import json, sys
ssid, password, call = sys.argv[1], sys.argv[2], json.loads(sys.argv[3])
problems = []
if call['ssid_bytes'] != list(ssid.encode('utf-8')):
    problems.append(f"ssid bytes {call['ssid_bytes']}")
if call['psk'] != password:
    problems.append(f"psk {call['psk']!r}")
if call['mode'] != 'ap':
    problems.append(f"mode {call['mode']!r}")
if call['options'].get('bind-activation') != 'dbus-client':
    problems.append(f"options {call['options']}")
sys.exit('; '.join(problems) or None)
PY
wait_hotspots 1
stand_in active | grep -qx 'Tavlo 2' || fail "the hotspot is not activated: $(stand_in active)"

stand_in join "$station"
wait_for rows "$row" 5
click optionUsers
wait_for page 1
if [ -n "$docs" ]; then
  sleep 0.3
  cp "$tmp/state.png" "$docs/nm-sharing.png"
fi
stand_in leave "$station"
wait_for rows "" 5

click optionSet
wait_for page 0
click Btn_Close
wait_for Btn_Run 1 15
wait_hotspots 0
stand_in active | grep -q '^有线连接 1 2$' || fail "the cable went down: $(stand_in active)"

echo "e2e_nm: run 2: kill -9 while sharing"
# Run 2: a crash while sharing; NetworkManager ends what the vanished client asked for.
click Btn_Run
wait_for Btn_Close 1 15
wait_hotspots 1
kill -KILL "$main"
wait "$main" 2>/dev/null || true
wait_hotspots 0
stand_in active | grep -q '^有线连接 1 2$' || fail "the cable went down: $(stand_in active)"

echo "e2e_nm: run 3: saved settings, SIGTERM while sharing"
# Run 3: the settings kept from run 1, and the end of a session during sharing.
start_tavlo
wait_for Edit_SSID "$ssid" 5
click Btn_Run
wait_for Btn_Close 1 15
wait_hotspots 1
[ "$(stand_in calls | tail -1 | "$py" -c 'import json,sys; print(json.load(sys.stdin)["psk"])')" \
  = "$password" ] || fail "the saved password was not used"
kill -TERM "$main"
ends_within "$main" 10 || fail "tavlo did not end after SIGTERM"
wait "$main" || fail "tavlo ended with $?"
wait_hotspots 0

# The stand-ins and the bus go now, so that their end is checked, not just assumed.
for p in "${stand_ins[@]}"; do kill -TERM "$p" 2>/dev/null || true; done
for p in "${pids[@]}"; do
  ends_within "$p" 5 || fail "process $p is still running"
done
echo "e2e_nm: ok"
