#!/usr/bin/env bash
# Servers that accept a connection and close it at once (or reset it): every run of the headless
# logger against them must end with "line lost" and status 1, never hang or pass for a success.
#   tools/lost-at-once.sh [RUNS] [SCHEMES]     (default 100 runs per loop, "tcp rfc2217")
# For each scheme and each server (close, reset) two loops of RUNS runs go at once, each run
# `frontpanel --headless --port 2=SCHEME://127.0.0.1:P --csv x.csv --count 5` under `timeout 5`;
# then a loop of RUNS/10 runs with --reconnect, whose runs must say that they reconnect.  Prints the counts
# of each loop; exits 1 when any run ended otherwise.  $BUILD names the build folder.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-100}
schemes=${2:-"tcp rfc2217"}
panel=${BUILD:-$here/build}/app/frontpanel
[ -x "$panel" ] || { echo "lost-at-once: no $panel (build first)" >&2; exit 2; }
work=$(mktemp -d)
servers=()
cleanup() {
  for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# Starts a server on 127.0.0.1 (port chosen by the system) and sets $port to its port.
serve() {
  python3 -u - "$1" > "$work/$1.port" <<'EOF' &
import socket, struct, sys
reset = sys.argv[1] == "reset"
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen(64)
print(s.getsockname()[1])
while True:
    c, _ = s.accept()
    if reset:
        c.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    c.close()
EOF
  servers+=($!)
  for _ in $(seq 50); do [ -s "$work/$1.port" ] && break; sleep 0.1; done
  port=$(cat "$work/$1.port")
}

# loop NAME URL EXPECT [logger options...]: RUNS runs; counts those whose stderr has EXPECT and
# whose status is right (1, or the time-out's 124 while reconnecting).
loop() {
  local name=$1 url=$2 expect=$3 count=$4 ok=0 hung=0 other=0 i status
  shift 4
  for i in $(seq "$count"); do
    status=0
    timeout 5 "$panel" --headless --port "2=$url" --csv "$work/$name.csv" --count 5 "$@" \
      > /dev/null 2> "$work/$name.err" || status=$?
    if grep -q "$expect" "$work/$name.err" && { [ "$status" = 1 ] || { [ "$#" -gt 0 ] && [ "$status" = 124 ]; }; }; then
      ok=$((ok + 1))
    elif [ "$status" = 124 ]; then
      hung=$((hung + 1))
    else
      other=$((other + 1))
      [ "$other" -gt 1 ] || { echo "$name: status $status:"; cat "$work/$name.err"; } | sed 's/^/  /' >&2
    fi
    rm -f "$work/$name.csv"
  done
  echo "$name: $ok of $count as expected, $hung hung, $other otherwise"
  [ "$ok" = "$count" ]
}

failed=0
for kind in close reset; do
  serve "$kind"
  for scheme in $schemes; do
    url=$scheme://127.0.0.1:$port
    loop "$scheme-$kind-a" "$url" "line lost" "$runs" > "$work/a.out" &
    a=$!
    loop "$scheme-$kind-b" "$url" "line lost" "$runs" > "$work/b.out" &
    b=$!
    wait "$a" || failed=1
    wait "$b" || failed=1
    cat "$work/a.out" "$work/b.out"
    loop "$scheme-$kind-reconnect" "$url" "reconnecting" $(((runs + 9) / 10)) --reconnect || failed=1
  done
done
exit "$failed"
