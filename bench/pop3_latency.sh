#!/usr/bin/env bash
# The change poll of pop3_poll against a Dovecot of COUNT mails (default 1000) behind a
# proxy that adds ROUND_TRIP_MS (default 20) to every round trip: one command at a time,
# pipelined, and Python's poplib.
#
#   bench/pop3_latency.sh [COUNT] [ROUND_TRIP_MS] [ROUNDS]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
count=${1:-1000}
delay=${2:-20}
rounds=${3:-3}
build=${SKIMBAR_BUILD:-$root/build}
state=$(mktemp -d)
proxy_pid=
cleanup() {
  [ -n "$proxy_pid" ] && kill "$proxy_pid" 2>/dev/null || true
  "$root/scripts/dovecot" stop "$state" >/dev/null 2>&1 || true
  rm -rf "$state"
}
trap cleanup EXIT
"$root/scripts/dovecot" start auto --generate "$count" "$state" >/dev/null
set -a; . "$state/env"; set +a
ninja -C "$build/native" pop3_poll >/dev/null
python3 "$root/tools/latency_proxy.py" 0 "$SKIMBAR_POP3_HOST" "$SKIMBAR_POP3_PORT" "$delay" >"$state/proxy.out" &
proxy_pid=$!
for _ in $(seq 50); do grep -q listening "$state/proxy.out" 2>/dev/null && break; sleep 0.1; done
SKIMBAR_POP3_PORT=$(awk '/listening/ {print $3}' "$state/proxy.out")
export SKIMBAR_POP3_PORT
echo "$count mails, $delay ms added to each round trip:"
"$build/native/pop3_poll" "$rounds"
