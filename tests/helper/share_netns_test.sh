#!/usr/bin/env bash
# Real packets through tavlo-helper: three network namespaces of our own ("upstream" with a
# server, "host" running the helper, "phone" with a DHCP client). The phone must get a lease and a
# DNS answer and reach the server masqueraded; unshare, closed input, kill -9 with a restart and a
# foreign forward-drop chain are checked too. Everything made here is removed on any exit.
# Exit 77 (skipped) only when namespaces cannot be made here.
set -uo pipefail

HELPER=${1:?usage: share_netns_test.sh path/to/tavlo-helper}
SKIP=77

[ "$(id -u)" -eq 0 ] || { echo "SKIP: needs root"; exit $SKIP; }
for tool in ip dnsmasq busybox nft python3; do
  command -v "$tool" >/dev/null 2>&1 || [ -x "/usr/sbin/$tool" ] ||
    { echo "SKIP: needs $tool"; exit $SKIP; }
done
PY=$(command -v python3)

id=$(printf '%04x' $((RANDOM)))
UP=tvh-up-$id HOST=tvh-host-$id PHONE=tvh-ph-$id
DIR=$(mktemp -d /tmp/tavlo-helper-test-XXXXXX)
STATE=$DIR/state
failures=0
helper_pid=

cleanup() {
  [ -n "$helper_pid" ] && kill -9 "$helper_pid" 2>/dev/null
  for ns in "$UP" "$HOST" "$PHONE"; do
    for p in $(ip netns pids "$ns" 2>/dev/null); do kill -9 "$p" 2>/dev/null; done
    ip netns del "$ns" 2>/dev/null
  done
  rm -rf "$DIR"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }
ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }

ip netns add "$UP" && ip netns add "$HOST" && ip netns add "$PHONE" ||
  { echo "SKIP: cannot make network namespaces"; exit $SKIP; }
ip link add upb$id netns "$HOST" type veth peer name upa$id netns "$UP" || exit 1
ip link add pha$id netns "$HOST" type veth peer name phb$id netns "$PHONE" || exit 1
ip -n "$UP" addr add 198.51.100.1/24 dev upa$id
ip -n "$HOST" addr add 198.51.100.2/24 dev upb$id
for ns in "$UP" "$HOST" "$PHONE"; do ip -n "$ns" link set lo up; done
ip -n "$UP" link set upa$id up
ip -n "$HOST" link set upb$id up
ip -n "$PHONE" link set phb$id up
ip -n "$UP" route add 192.168.137.0/24 via 198.51.100.2  # would bypass NAT if NAT were missing

# The server tells each client the address it sees.
ip netns exec "$UP" "$PY" -c '
import socket, sys
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("198.51.100.1", 8080)); s.listen(8)
while True:
    c, a = s.accept(); c.sendall((a[0] + "\n").encode()); c.close()
' &
disown

cat > "$DIR/udhcpc.sh" <<'EOS'
#!/bin/sh
case "$1" in
  bound|renew)
    ip addr flush dev "$interface"
    ip addr add "$ip/$mask" dev "$interface"
    for r in $router; do ip route add default via "$r" dev "$interface"; done
    echo "$ip" > "$LEASE_OUT" ;;
esac
EOS
chmod +x "$DIR/udhcpc.sh"

start_helper() {
  coproc HELPER_CO { exec ip netns exec "$HOST" env TAVLO_HELPER_STATE_DIR="$STATE" "$HELPER"; }
  helper_pid=$HELPER_CO_PID
  exec {H_IN}>&"${HELPER_CO[1]}" {H_OUT}<&"${HELPER_CO[0]}"
}
close_input() {  # our copy and the coprocess's own
  exec {H_IN}>&-
  [ -n "${HELPER_CO[1]:-}" ] && eval "exec ${HELPER_CO[1]}>&-"
}
end_helper() {  # kill -9 when still running; reaps it
  close_input
  kill -9 "$helper_pid" 2>/dev/null
  wait "$helper_pid" 2>/dev/null
  exec {H_OUT}<&-
  [ -n "${HELPER_CO[0]:-}" ] && eval "exec ${HELPER_CO[0]}<&-"
  helper_pid=
}
ask() {  # ask LINE -> REPLY
  echo "$1" >&"$H_IN"
  REPLY=
  read -r -t 10 -u "$H_OUT" REPLY || REPLY="(no answer)"
}
wait_gone() {  # wait_gone PID: bounded wait for the helper's end
  for _ in $(seq 100); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.05; done
  return 1
}
server_sees() {  # the address the server sees for the phone, empty when unreachable
  ip netns exec "$PHONE" "$PY" -c '
import socket
try:
    s = socket.create_connection(("198.51.100.1", 8080), timeout=2); print(s.recv(64).decode().strip())
except OSError:
    pass'
}
check_clean() {  # check_clean WHAT
  local what=$1 left=
  ip netns exec "$HOST" nft list table inet tavlo >/dev/null 2>&1 && left+=" table"
  ip -n "$HOST" addr show dev pha$id | grep -q 192.168.137.1 && left+=" address"
  [ "$(ip netns exec "$HOST" cat /proc/sys/net/ipv4/ip_forward)" = 0 ] || left+=" forwarding"
  for p in $(ip netns pids "$HOST"); do
    [ "$(cat /proc/$p/comm 2>/dev/null)" = dnsmasq ] && left+=" dnsmasq"
  done
  [ -s "$STATE/record" ] && left+=" record"
  if [ -z "$left" ]; then pass "$what leaves nothing behind"; else fail "$what left:$left"; fi
}
share() {
  local t0; t0=$(date +%s%N)
  ask "share upb$id pha$id"
  SHARE_MS=$(ms "$t0")
  SHARE_T0=$t0
}

# 1. Sharing: lease, DNS, masqueraded connection.
start_helper
ask "hello 1"; [ "$REPLY" = "ok 1" ] || fail "hello answered '$REPLY'"
share
[ "$REPLY" = ok ] && pass "share answered ok in ${SHARE_MS} ms" || fail "share answered '$REPLY'"
LEASE_OUT=$DIR/lease ip netns exec "$PHONE" env LEASE_OUT="$DIR/lease" \
  busybox udhcpc -i phb$id -n -q -f -t 10 -T 1 -s "$DIR/udhcpc.sh" >/dev/null 2>&1
LEASE_MS=$(ms "$SHARE_T0")
lease=$(cat "$DIR/lease" 2>/dev/null)
case "$lease" in
  192.168.137.*) pass "phone leased $lease, ${LEASE_MS} ms after the share request" ;;
  *) fail "phone got no lease ('$lease')" ;;
esac
dns=$(ip netns exec "$PHONE" busybox nslookup tavlo.lan 192.168.137.1 2>&1)
if echo "$dns" | grep -A3 'tavlo.lan' | grep -q '192.168.137.1'; then
  pass "DNS answers on the private side"
else
  fail "no DNS answer for tavlo.lan: $dns"
fi
seen=$(server_sees)
[ "$seen" = 198.51.100.2 ] && pass "server sees the host's address (masqueraded)" ||
  fail "server saw '$seen', expected 198.51.100.2"

# 2. unshare: the phone loses its way out, nothing of ours is left.
t0=$(date +%s%N); ask unshare; UNSHARE_MS=$(ms "$t0")
[ "$REPLY" = ok ] && pass "unshare answered ok in ${UNSHARE_MS} ms" || fail "unshare answered '$REPLY'"
seen=$(server_sees)
[ -z "$seen" ] && pass "phone no longer reaches the server" || fail "phone still reaches the server ($seen)"
check_clean unshare

# 3. Closing standard input: the helper cleans up and ends.
share; [ "$REPLY" = ok ] || fail "second share answered '$REPLY'"
t0=$(date +%s%N); close_input
wait_gone "$helper_pid" && pass "helper ended $(ms "$t0") ms after its input closed" ||
  fail "helper still runs after its input closed"
end_helper
check_clean "closed input"

# 4. kill -9: the next start cleans up.
start_helper
share; [ "$REPLY" = ok ] || fail "third share answered '$REPLY'"
end_helper
ip netns exec "$HOST" nft list table inet tavlo >/dev/null 2>&1 || fail "kill -9 test: nothing was shared"
t0=$(date +%s%N); start_helper; ask "hello 1"
[ "$REPLY" = "ok 1" ] && pass "restart cleaned up and answered in $(ms "$t0") ms" || fail "restart answered '$REPLY'"
check_clean "restart after kill -9"

# 5. A foreign forward chain with policy drop is named in a warning.
ip netns exec "$HOST" nft -f - <<'EON'
table ip other {
  chain other_forward {
    type filter hook forward priority 10; policy drop;
  }
}
EON
share
case "$REPLY" in
  warn*other_forward*) pass "foreign drop chain named in: $REPLY" ;;
  *) fail "expected a warning naming other_forward, got '$REPLY'" ;;
esac
ask quit; [ "$REPLY" = ok ] || fail "quit answered '$REPLY'"
wait_gone "$helper_pid" || fail "helper still runs after quit"
end_helper
ip netns exec "$HOST" nft delete table ip other
check_clean quit

echo "figures: share answer ${SHARE_MS} ms (first run see above), lease ${LEASE_MS} ms, unshare ${UNSHARE_MS} ms"
[ "$failures" -eq 0 ] || { echo "$failures failure(s)"; exit 1; }
echo PASS
