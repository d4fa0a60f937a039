# Sourced by the scripts that run programs under a private X server.  Gives them $work (a
# scratch folder), $pids (background processes stopped on exit), start_simulator (see below)
# and start_xvfb, which starts Xvfb on a free display number, waits until it answers and sets
# $display.  $XVFB_SCREEN sets the screen (default 1024x640x24).
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start_xvfb() {
  display=:$((90 + RANDOM % 100))
  Xvfb "$display" -screen 0 "${XVFB_SCREEN:-1024x640x24}" -dpi 96 -nolisten tcp > "$work/xvfb.log" 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do
    DISPLAY=$display xdpyinfo > /dev/null 2>&1 && return 0
    sleep 0.05
  done
  echo "$(basename "$0"): Xvfb did not start:" >&2
  cat "$work/xvfb.log" >&2
  exit 1
}

# Starts the simulator $sim with the given options and sets $line to the device path it prints
# and $sim_pid to its process.
start_simulator() {
  : > "$work/sim.out"
  "$sim" "$@" > "$work/sim.out" 2> "$work/sim.err" &
  sim_pid=$!
  pids+=($sim_pid)
  for _ in $(seq 100); do
    line=$(head -n 1 "$work/sim.out")
    [ -n "$line" ] && return 0
    sleep 0.05
  done
  echo "$(basename "$0"): the simulator did not start:" >&2
  cat "$work/sim.err" >&2
  exit 1
}
