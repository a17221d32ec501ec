#!/usr/bin/env bash
# Measures the real program on the simulated system under Xvfb, from its timing probe
# (TAVLO_PERF_LOG, app/perf_probe.h) and from /proc:
#   - process start to the first painted frame (several launches);
#   - Run click to the sharing state on screen, for the first start on a fresh system, a later
#     start, and the first start of a later run;
#   - the longest UI-thread stall (1 ms heartbeat) while a start, a stop, a burst of 100
#     devices joining and then the burst of their names and addresses are processed;
#   - idle CPU and resident memory of a program that shows its ready window (no probe, no dump).
# Needs xvfb-run and xdotool.  Usage: measure-tavlo.sh BIN_DIR [LAUNCHES]
set -euo pipefail
bin=$(cd "$1" && pwd)
launches=${2:-5}
if [ -z "${TAVLO_MEASURE_INNER:-}" ]; then
  export TAVLO_MEASURE_INNER=1
  exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$@"
fi
tmp=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && kill $pid 2>/dev/null; rm -rf "$tmp"' EXIT
mkdir -p "$tmp/run" && chmod 700 "$tmp/run"
export TAVLO_BACKEND=sim TAVLO_SIM_DIR=$tmp/sim XDG_RUNTIME_DIR=$tmp/run XDG_CONFIG_DIRS=$tmp/xdg
export QT_QPA_PLATFORM=xcb
unset TAVLO_WEB_HOST  # the shipped advert page, as users get it
unset DBUS_SESSION_BUS_ADDRESS
log=$tmp/perf
value() { sed -n "s/^$1=//p" "$tmp/state" 2>/dev/null; }
now_ms() { date +%s%3N; }
wait_for() {  # KEY VALUE
  local deadline=$((SECONDS + 20))
  until [ "$(value "$1")" = "$2" ]; do
    [ $SECONDS -lt $deadline ] || { echo "timed out waiting for $1=$2"; exit 1; }
    sleep 0.01
  done
}
click() {  # CONTROL
  local rect center
  rect=$(value window_rect); center=$(value "center_$1")
  xdotool mousemove $(( ${rect%%,*} + ${center%,*} )) \
    $(( $(echo "$rect" | cut -d, -f2) + ${center#*,} )) click 1
}
last() { awk -v e="$1" '$1 == e { t = $2 } END { printf "%.0f\n", t }' "$log"; }
# The first frame painted at or after T once the state line "state T RUN CLOSE BUSY" matched.
painted_after_state() {  # SINCE RUN CLOSE BUSY
  awk -v s="$1" -v r="$2" -v c="$3" -v b="$4" '
    $1 == "state" && $2 >= s && $3 == r && $4 == c && $5 == b && !seen { seen = $2 }
    $1 == "paint" && seen && $2 >= seen { print $2; exit }' "$log"
}
max_stall() {  # FROM TO: the longest heartbeat gap (the probe logs gaps from 2 ms), the CPU
  # used in it, then the most CPU time the thread spent in any one gap
  awk -v a="$1" -v b="$2" '$1 == "stall" && $2 >= a && $2 <= b {
      if ($3 > m) { m = $3; c = $4 }
      if ($4 > busy) busy = $4 }
    END { if (m) printf "%.1f ms (%.1f on the CPU), busiest gap %.1f ms of CPU", m / 1000,
                        c / 1000, busy / 1000
          else printf "<2 ms" }' "$log"
}

echo "== process start to first painted frame ($launches launches)"
for i in $(seq "$launches"); do
  rm -f "$log"
  t0=$(now_ms)
  TAVLO_PERF_LOG=$log "$bin/tavlo" 2>/dev/null & pid=$!
  until grep -q first_paint "$log" 2>/dev/null; do sleep 0.005; done
  echo "  launch $i: $(( $(last first_paint) - t0 )) ms"
  kill -TERM $pid; wait $pid || true; pid=""
done

# Starts the program with the probe and the state dump, then times its first start.
launch_and_start() {  # LABEL
  rm -f "$log" "$tmp/state"
  TAVLO_PERF_LOG=$log TAVLO_STATE_DUMP=$tmp/state "$bin/tavlo" 2>/dev/null & pid=$!
  wait_for Btn_Run 1
  sleep 0.5
  t=$(now_ms); click Btn_Run; wait_for Btn_Close 1; sleep 0.3
  press=$(last press); shown=$(painted_after_state "$press" 0 1 0)
  echo "  $1: click to sharing on screen $(( shown - press )) ms," \
    "longest stall $(max_stall "$t" "$(now_ms)")"
}

echo "== one run: starts, stop, 100 devices"
rm -rf "$tmp/sim"
launch_and_start "first start on a fresh system"
t=$(now_ms); click Btn_Close; wait_for Btn_Run 1; sleep 0.3
press=$(last press); shown=$(painted_after_state "$press" 1 0 0)
echo "  stop: click to stopped on screen $(( shown - press )) ms," \
  "longest stall $(max_stall "$t" "$(now_ms)")"
t=$(now_ms); click Btn_Run; wait_for Btn_Close 1; sleep 0.3
press=$(last press); shown=$(painted_after_state "$press" 0 1 0)
echo "  later start: click to sharing on screen $(( shown - press )) ms," \
  "longest stall $(max_stall "$t" "$(now_ms)")"
t=$(now_ms)
# All at once: the joins overlap, so many reach the window in one drain.
for i in $(seq 1 100); do
  printf -v mac '02-00-00-00-%02X-%02X' $((i / 256)) $((i % 256))
  "$bin/tavlo-sim" join "$mac" >/dev/null &
done
wait_joins=$(jobs -p | grep -vx "$pid" || true)
[ -z "$wait_joins" ] || wait $wait_joins
count_in_rows() { value rows | grep -o "$1" | wc -l; }
until [ "$(count_in_rows '[0-9A-F][0-9A-F]\(-[0-9A-F][0-9A-F]\)\{5\}')" -ge 100 ]; do
  sleep 0.01
done
sleep 0.3
echo "  100 devices joining at once: $(( $(now_ms) - t )) ms to 100 rows (tavlo-sim runs one" \
  "process per device), longest stall $(max_stall "$t" "$(now_ms)")"
t=$(now_ms)
# Then each one's name and address, all at once, as a crowd of phones would give them.
for i in $(seq 1 100); do
  printf -v mac '02-00-00-00-%02X-%02X' $((i / 256)) $((i % 256))
  "$bin/tavlo-sim" facts "$mac" --name "phone-$i of the measurement run" \
    --ip "192.168.137.$((i + 1))" >/dev/null &
done
wait_facts=$(jobs -p | grep -vx "$pid" || true)
[ -z "$wait_facts" ] || wait $wait_facts
until [ "$(count_in_rows '|192\.168\.137\.')" -ge 100 ]; do sleep 0.01; done
sleep 0.3
echo "  their 100 names and addresses at once: $(( $(now_ms) - t )) ms to 100 filled rows," \
  "longest stall $(max_stall "$t" "$(now_ms)")"
echo "  resident memory with 100 rows: $(awk '/VmRSS/{printf "%.1f MB", $2/1024}' \
  "/proc/$pid/status")"
kill -TERM $pid; wait $pid || true; pid=""

echo "== a later run on the same system"
launch_and_start "first start of the run"
kill -TERM $pid; wait $pid || true; pid=""

echo "== idle (ready window, no probe, no dump)"
"$bin/tavlo" 2>/dev/null & pid=$!
sleep 3
ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
c0=$(ticks); sleep 10; c1=$(ticks)
hz=$(getconf CLK_TCK)
echo "  idle CPU over 10 s: $(awk -v d=$((c1 - c0)) -v hz="$hz" \
  'BEGIN{printf "%.2f", 100*d/hz/10}') % of one core"
echo "  resident memory: $(awk '/VmRSS/{printf "%.1f MB", $2/1024}' "/proc/$pid/status")"
