#!/usr/bin/env bash
# The window's CPU time while the instrument simulator sends it frames: the share of one core
# the front panel took over SECONDS (60 by default), after a settling of three seconds.
#
#   panel-cpu.sh [--measurements | --headless] [SECONDS] [-- simulator options...]
#                                                         (default: --period-ms 300)
#
# The window runs on the offscreen platform; with --measurements it runs under Xvfb instead
# and its Measurements window is opened (Ctrl+M) before the count begins; --headless counts
# the logger without a window on the same stream, for comparison.  Built programs come from
# $BUILD, or $PANEL for another build of the window.  The figure is noisy on a machine that is
# busy otherwise: the load average is printed with it.  With $PERF_DATA set, perf records where
# the time goes (call graphs) into that file over the same seconds.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/build}
panel=${PANEL:-$build/app/frontpanel}
sim=$(find "$build/tools" -maxdepth 2 -type f -name freqsim -perm -u+x | head -n 1)
what=window
case "${1:-}" in
  --measurements) what=measurements; shift ;;
  --headless) what=headless; shift ;;
esac
seconds=${1:-60}
[ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift
sim_args=("$@")
[ ${#sim_args[@]} -gt 0 ] || sim_args=(--period-ms 300)

source "$here/tools/xvfb-common.sh"

cpu_ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }

start_simulator "${sim_args[@]}"
case $what in
  window)
    QT_QPA_PLATFORM=offscreen "$panel" --port "2=$line" > "$work/panel.out" 2>&1 &
    panel_pid=$! ;;
  headless)
    "$panel" --headless --port "2=$line" > "$work/panel.out" 2>&1 &
    panel_pid=$! ;;
  measurements)
    start_xvfb
    export DISPLAY=$display
    LC_ALL=C.UTF-8 LANG=en_US.UTF-8 "$panel" --lang en --port "2=$line" > "$work/panel.out" 2>&1 &
    panel_pid=$!
    pids+=($panel_pid)
    # The panel is the window with the panel's title; a key may come before it takes keys.
    for _ in $(seq 20); do
      panel_window=$(xdotool search --onlyvisible --pid "$panel_pid" 2> /dev/null | tail -n 1 || true)
      if [ -n "$panel_window" ]; then
        xdotool windowfocus --sync "$panel_window" 2> /dev/null || true
        xdotool key ctrl+m
        for _ in $(seq 10); do xdotool search --name '^Measurements$' > /dev/null 2>&1 && break 2; sleep 0.1; done
      fi
      sleep 0.5
    done
    xdotool search --name '^Measurements$' > /dev/null || { echo "panel-cpu: the Measurements window did not open" >&2; exit 1; } ;;
esac
pids+=($panel_pid)
sleep 3
before=$(cpu_ticks "$panel_pid")
if [ -n "${PERF_DATA:-}" ]; then
  perf record -q -g -p "$panel_pid" -o "$PERF_DATA" -- sleep "$seconds" > /dev/null 2>&1
else
  sleep "$seconds"
fi
after=$(cpu_ticks "$panel_pid")
hz=$(getconf CLK_TCK)
label=$([ "$what" = measurements ] && echo "window with Measurements" || echo "$what")
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v load="$(cut -d' ' -f1 /proc/loadavg)" -v what="$label" \
  'BEGIN { printf "%s CPU %.2f %% of a core over %d s (load %s)\n", what, 100 * t / hz / s, s, load }'
