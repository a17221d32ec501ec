#!/usr/bin/env bash
# Drives the built tavlo as a user would, against a simulated system in a temporary folder,
# under Xvfb with a compositor, a tray host (trayer) and a local advert server:
#   run 1: readiness, the advert, hiding, a second instance, start, devices joining and
#          leaving, and the end of a session (SIGTERM);
#   run 2: start, then the tray icon's right click, the popup menu and its "退出" item.
# Both runs must end with no sharing left and the hosted network disabled. The window is
# observed through TAVLO_STATE_DUMP, the simulated system through tavlo-sim and its state
# files; clicks are real X clicks. Pictures are kept in DOCS (second argument) when given.
# Usage: e2e.sh BIN_DIR [DOCS_DIR]
set -euo pipefail
bin=$(cd "$1" && pwd)
docs=${2:-}
here=$(cd "$(dirname "$0")" && pwd)

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
# Folders of its own: nothing else that runs on the machine (a Tavlo of the same user
# included) meets this run's instance lock, channel, simulated system or autostart entry.
mkdir -p "$tmp/run" "$tmp/xdg" && chmod 700 "$tmp/run"
export TAVLO_BACKEND=sim TAVLO_SIM_DIR=$tmp/sim XDG_RUNTIME_DIR=$tmp/run XDG_CONFIG_DIRS=$tmp/xdg
export XDG_CONFIG_HOME=$tmp/config XDG_STATE_HOME=$tmp/state
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
wait_for_text() {  # KEY TEXT [SECONDS]: the value contains TEXT
  local deadline=$((SECONDS + ${3:-10}))
  until [[ "$(value "$1")" == *"$2"* ]]; do
    [ $SECONDS -lt $deadline ] || fail "$1 is '$(value "$1")', expected to contain '$2'"
    sleep 0.05
  done
}
click_at() {  # RECT_KEY CENTER_KEY [BUTTON]
  local rect center
  rect=$(value "$1"); center=$(value "$2")
  [ -n "$center" ] && [ -n "$rect" ] || fail "no $2 in $1"
  # From elsewhere: a window that opened under a resting pointer has seen no move onto the
  # control yet.
  xdotool mousemove --sync 1 1 mousemove --sync $(( ${rect%%,*} + ${center%,*} )) \
    $(( $(echo "$rect" | cut -d, -f2) + ${center#*,} )) click "${3:-1}"
}
click() { click_at window_rect "center_$1"; }
shot() {  # NAME: the main window's own picture
  [ -n "$docs" ] && sleep 0.3 && cp "$tmp/state.png" "$docs/$1.png"
  return 0
}
screen_shot() {  # NAME LEFT TOP RIGHT BOTTOM: a part of the screen, shadows and all
  [ -n "$docs" ] && [ -x /usr/bin/python3 ] || return 0
  /usr/bin/python3 - "$docs/$1.png" "$2" "$3" "$4" "$5" <<'PY' || echo "e2e: no screen picture"
import os, sys
from PIL import ImageGrab
path, box = sys.argv[1], tuple(int(v) for v in sys.argv[2:6])
ImageGrab.grab(xdisplay=os.environ["DISPLAY"]).crop(box).save(path)
PY
}
ends_within() {  # PID SECONDS
  for _ in $(seq $(( $2 * 10 ))); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
  return 1
}
nothing_left_on() {
  grep -q '^enabled=0' "$tmp/sim/wireless.state" || fail "hosted network left enabled"
  grep -qE 'public|private' "$tmp/sim/sharing.state" && fail "sharing left on"
  return 0
}
# The titles of the windows of process PID, one a line.
titles() {
  local w
  for w in $(xdotool search --all --pid "$1" --name '.' 2>/dev/null); do
    xdotool getwindowname "$w" 2>/dev/null || true
  done
}
# The tray icon: a small window named tavlo, embedded by the tray host.
tray_icon_geometry() {
  local w WINDOW X Y WIDTH HEIGHT SCREEN
  for w in $(xdotool search --name '.*' 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = tavlo ] || continue
    eval "$(xdotool getwindowgeometry --shell "$w" 2>/dev/null)" || continue
    if [ "$WIDTH" -gt 4 ] && [ "$WIDTH" -le 64 ]; then
      echo "$X $Y $WIDTH $HEIGHT"; return 0
    fi
  done
  return 1
}

# The desktop around the program.
command -v xcompmgr >/dev/null && { xcompmgr & pids+=($!); }
tray_host=0
if command -v trayer >/dev/null; then
  trayer --edge bottom --align right --widthtype request --height 24 --SetDockType true \
    --expand true & pids+=($!)
  tray_host=1
fi
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$here/www" >"$tmp/http.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' "$tmp/http.log")
  [ -n "$port" ] && break
  sleep 0.05
done
[ -n "$port" ] || fail "the advert server did not start: $(cat "$tmp/http.log")"
export TAVLO_WEB_HOST=127.0.0.1:$port

# Run 1.
"$bin/tavlo" & pids+=($!)
main=$!
wait_for ready 1 10
wait_for Btn_Run 1 5
wait_for_text advert "把电脑放在房间中央" 5
titles "$main" | grep -qx 'tavlo（模拟）' || fail "the title does not say simulated: $(titles "$main")"
shot main-ready

# A second start wakes the first and ends with 0, also when the first is hidden (minimized
# when there is no notification area to hide in).
click sysbtn_close
if [ "$tray_host" = 1 ]; then
  wait_for window_visible 0
else
  wait_for window_minimized 1
fi
"$bin/tavlo" || fail "second instance ended with $?"
wait_for window_visible 1 5
wait_for window_minimized 0 5

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

# Rows are NUMBER|MAC|NAME|ADDRESS. A phone with its private address, its name and address
# coming after it joined; a laptop that has them at once; a card the makers' table may know
# (its name depends on ieee-data being installed); one that leaves.
"$bin/tavlo-sim" join 02-5E-71-A3-0C-19 >/dev/null
"$bin/tavlo-sim" join 00-1A-2B-3C-4D-02 >/dev/null
"$bin/tavlo-sim" join F0-18-98-4C-7A-21 --name "李雷的 MacBook Air" --ip 192.168.137.35 >/dev/null
"$bin/tavlo-sim" join 00-50-F2-12-34-56 >/dev/null
wait_for_text rows "0|02-5E-71-A3-0C-19|随机地址|,1|00-1A-2B-3C-4D-02|"
wait_for_text rows "2|F0-18-98-4C-7A-21|李雷的 MacBook Air|192.168.137.35,3|00-50-F2-12-34-56|"
"$bin/tavlo-sim" facts 02-5E-71-A3-0C-19 --ip 192.168.137.23 >/dev/null
"$bin/tavlo-sim" facts 02-5E-71-A3-0C-19 --name "Xiaomi-Redmi-Note-12-Turbo-5G-客厅" >/dev/null
wait_for_text rows "0|02-5E-71-A3-0C-19|Xiaomi-Redmi-Note-12-Turbo-5G-客厅|192.168.137.23,"
"$bin/tavlo-sim" leave 00-1A-2B-3C-4D-02 >/dev/null
wait_for_text rows ",1|F0-18-98-4C-7A-21|"
"$bin/tavlo-sim" join 00-1A-2B-3C-4D-05 --name "Galaxy-S23" --ip 192.168.137.41 >/dev/null
wait_for_text rows "3|00-1A-2B-3C-4D-05|Galaxy-S23|192.168.137.41"
"$bin/tavlo-sim" status | grep -q '192.168.137.23  "Xiaomi' || fail "tavlo-sim status shows no facts"
click optionUsers
wait_for page 1
shot main-devices
click optionTip
wait_for page 2
shot main-help
"$bin/tavlo-sim" status | grep -qi active || fail "tavlo-sim status does not show the network active"

# A session that ends sends SIGTERM, which leaves as "menu_Exit" does.
kill -TERM "$main"
ends_within "$main" 10 || fail "tavlo did not end after SIGTERM"
wait "$main" || fail "tavlo ended with $?"
nothing_left_on

# Run 2: quitting through the tray menu.
if [ "$tray_host" = 0 ]; then
  echo "e2e: ok (no tray host: the tray menu was not tried)"; exit 0
fi
rm -f "$tmp/state"
"$bin/tavlo" & pids+=($!)
main=$!
wait_for Btn_Run 1 10
click Btn_Run
wait_for Btn_Close 1 10
grep -q public "$tmp/sim/sharing.state" || fail "no public connection while sharing"
icon=""
for _ in $(seq 50); do icon=$(tray_icon_geometry) && break; sleep 0.1; done
[ -n "$icon" ] || fail "the tray host shows no icon of tavlo"
read -r ix iy iw ih <<<"$icon"
xdotool mousemove $((ix + iw / 2)) $((iy + ih / 2)) click 3
wait_for menus 1 5
[ "$(value window_visible)" = 1 ] || fail "the menu changed the window"
sleep 0.3
rect=$(value menu_rect)
IFS=, read -r ml mt mr mb <<<"$rect"
screen_shot tray-menu $((ml - 120)) $((mt - 60)) 1280 800
click_at menu_rect center_menu_Exit
ends_within "$main" 10 || fail "tavlo did not end after 退出"
wait "$main" || fail "tavlo ended with $?"
nothing_left_on
echo "e2e: ok"
