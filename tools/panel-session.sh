#!/usr/bin/env bash
# Starts the instrument simulator on a pseudo-terminal and the front panel with that terminal
# as COM2, for the run command and the screenshot script.  Built programs come from $BUILD.
#
#   panel-session.sh [--shots DIR] [-- simulator options...]
#
# With a display ($DISPLAY set) the panel runs until its window is closed.  With --shots, or
# with no display, the pair runs under Xvfb: a screenshot is taken before the first frame
# ("start.png"), another after frames have arrived ("running.png"), and one while recording
# with the context menu open ("recording.png": Ctrl+R, a file name typed into the file dialog,
# then a right click), one after the simulator was stopped ("lost.png": the strip says the line
# is lost and being reconnected) and one after it was started again at the same link path
# ("reconnected.png"), and the pair is stopped.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/build}
panel=$build/app/frontpanel
sim=$(find "$build/tools" -maxdepth 2 -type f -name freqsim -perm -u+x | head -n 1)
[ -x "$panel" ] || { echo "panel-session: $panel is not built" >&2; exit 1; }
[ -n "$sim" ] || { echo "panel-session: the simulator freqsim is not built" >&2; exit 1; }

shots=""
if [ "${1:-}" = "--shots" ]; then shots=$2; shift 2; fi
[ "${1:-}" = "--" ] && shift
sim_args=("$@")

source "$here/tools/xvfb-common.sh"

# The panel's COM2: a link the simulator makes to its pseudo-terminal, so a simulator started
# again at the same link is found again by the panel.
link=$work/COM2

if [ -z "$shots" ] && [ -n "${DISPLAY:-}" ]; then
  start_simulator --link "$link" "${sim_args[@]}"
  echo "Instrument simulator on $line ($link); the front panel uses it as COM2."
  echo "To see a lost line come back: stop freqsim and start it again with --link $link"
  "$panel" --port "2=$link"
  exit 0
fi

[ -n "$shots" ] || shots=$here/out/screenshots
mkdir -p "$shots"
start_xvfb

# The window sits at (3, 95) with no window manager; its client area is 800 x 451.
shoot() { import -display "$display" -window root -crop 800x451+3+95 +repage "$1"; }

# Start state: a simulator that answers keys but sends no frame for an hour.
start_simulator --link "$link" --period-ms 3600000
DISPLAY=$display "$panel" --port "2=$link" > "$work/panel.log" 2>&1 &
panel_pid=$!
pids+=($panel_pid)
sleep 2
shoot "$shots/start.png"
kill "$panel_pid" "$sim_pid" 2>/dev/null || true
wait "$panel_pid" 2>/dev/null || true

# Running: frames arrive every display period.
start_simulator --link "$link" "${sim_args[@]}"
DISPLAY=$display "$panel" --port "2=$link" > "$work/panel.log" 2>&1 &
pids+=($!)
sleep 3
shoot "$shots/running.png"

# Recording from the keyboard and the file dialog, then the context menu over the panel.
export DISPLAY=$display
xdotool windowfocus --sync "$(LC_ALL=C.UTF-8 xdotool search --name 'Частотомер' | head -n 1)"
xdotool key ctrl+r
sleep 1.5
xdotool type --delay 10 "$work/readings.csv"
xdotool key Return
sleep 2
xdotool mousemove 500 300 click 3
sleep 0.5
shoot "$shots/recording.png"
xdotool key Escape

# The simulator goes away (as a pulled adapter would) and comes back at the same link.
kill "$sim_pid"
sleep 1.5
shoot "$shots/lost.png"
start_simulator --link "$link" "${sim_args[@]}"
sleep 4
shoot "$shots/reconnected.png"
echo "Screenshots: $shots/start.png $shots/running.png $shots/recording.png $shots/lost.png $shots/reconnected.png"
echo "Recorded meanwhile:"
cat "$work/readings.csv"
