#!/usr/bin/env bash
# Measures the real program on the simulated system under Xvfb: start-up to the first window
# state, Run click to the sharing state, 100 devices joining, idle CPU with the worker polling,
# and resident memory. Needs xvfb-run and xdotool.  Usage: measure-tavlo.sh BIN_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
if [ -z "${TAVLO_MEASURE_INNER:-}" ]; then
  export TAVLO_MEASURE_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
tmp=$(mktemp -d)
trap 'kill $pid 2>/dev/null || true; rm -rf "$tmp"' EXIT
mkdir -p "$tmp/run" && chmod 700 "$tmp/run"
export TAVLO_BACKEND=sim TAVLO_SIM_DIR=$tmp/sim XDG_RUNTIME_DIR=$tmp/run XDG_CONFIG_DIRS=$tmp/xdg
export QT_QPA_PLATFORM=xcb TAVLO_STATE_DUMP=$tmp/state
value() { sed -n "s/^$1=//p" "$tmp/state" 2>/dev/null; }
now_ms() { date +%s%3N; }
wait_for() {
  local deadline=$((SECONDS + 20))
  until [ "$(value "$1")" = "$2" ]; do
    [ $SECONDS -lt $deadline ] || { echo "timed out waiting for $1=$2"; exit 1; }
    sleep 0.002
  done
}

t0=$(now_ms)
"$bin/tavlo" 2>/dev/null & pid=$!
wait_for window_visible 1
echo "start to visible window state: $(( $(now_ms) - t0 )) ms"
wait_for Btn_Run 1
rect=$(value window_rect); center=$(value center_Btn_Run)
x=$(( ${rect%%,*} + ${center%,*} )); y=$(( $(echo "$rect" | cut -d, -f2) + ${center#*,} ))
t1=$(now_ms)
xdotool mousemove $x $y click 1
wait_for Btn_Close 1
echo "Run click to sharing state: $(( $(now_ms) - t1 )) ms (fixed pauses 400 ms)"

t2=$(now_ms)
for i in $(seq 1 100); do printf -v mac '02-00-00-00-%02X-%02X' $((i / 256)) $((i % 256))
  "$bin/tavlo-sim" join "$mac" >/dev/null; done
until [ "$(value rows | tr ',' '\n' | grep -c .)" -ge 100 ]; do
  [ $(( $(now_ms) - t2 )) -lt 30000 ] || { echo "rows: $(value rows | tr ',' '\n' | grep -c .)"; break; }
  sleep 0.01
done
echo "100 devices joining to 100 rows: $(( $(now_ms) - t2 )) ms"

sleep 1
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
c0=$(ticks); sleep 10; c1=$(ticks)
hz=$(getconf CLK_TCK)
echo "idle CPU over 10 s: $(awk -v d=$((c1 - c0)) -v hz="$hz" 'BEGIN{printf "%.2f", 100*d/hz/10}') % of one core"
echo "resident memory: $(awk '/VmRSS/{print $2/1024 " MB"}' "/proc/$pid/status")"
