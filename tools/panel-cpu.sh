#!/usr/bin/env bash
# The window's CPU time while the instrument simulator sends it frames: the share of one core
# the front panel took over SECONDS (60 by default), after a settling of three seconds.
#
#   panel-cpu.sh [SECONDS] [-- simulator options...]     (default: --period-ms 300)
#
# The window runs on the offscreen platform; built programs come from $BUILD, or $PANEL for
# another build of the window.  The figure is noisy on a machine that is busy otherwise: the
# load average is printed with it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/build}
panel=${PANEL:-$build/app/frontpanel}
sim=$(find "$build/tools" -maxdepth 2 -type f -name freqsim -perm -u+x | head -n 1)
seconds=${1:-60}
[ $# -gt 0 ] && shift
[ "${1:-}" = "--" ] && shift
sim_args=("$@")
[ ${#sim_args[@]} -gt 0 ] || sim_args=(--period-ms 300)

source "$here/tools/xvfb-common.sh"

cpu_ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$1/stat"; }

start_simulator "${sim_args[@]}"
QT_QPA_PLATFORM=offscreen "$panel" --port "2=$line" > "$work/panel.out" 2>&1 &
panel_pid=$!
pids+=($panel_pid)
sleep 3
before=$(cpu_ticks "$panel_pid")
sleep "$seconds"
after=$(cpu_ticks "$panel_pid")
hz=$(getconf CLK_TCK)
awk -v t=$((after - before)) -v hz="$hz" -v s="$seconds" -v load="$(cut -d' ' -f1 /proc/loadavg)" \
  'BEGIN { printf "window CPU %.2f %% of a core over %d s (load %s)\n", 100 * t / hz / s, s, load }'
