#!/usr/bin/env bash
# The reading's look in each state, and the trend's break at a lost line, under Xvfb.
#
#   screenshot-reading.sh [DIR]      (default out/screenshots)
#
# Against the simulator (frames every 100 ms, held 100 ms, averaging 1 s): the panel before its
# first frame ("reading-start.png", the design text dimmed), with live measurements
# ("reading-live.png"), held by ПАМЯТЬ ("reading-held.png", the strip says held), at 10^4 ms
# where 10 MHz needs nine digits ("reading-overflow.png"), with the simulator stopped so that no
# frame comes ("reading-silent.png"), with the line lost ("reading-lost.png"), and back
# ("reading-back.png"); then the Measurements window with the trend broken where the line was
# lost ("reading-trend.png").
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/build}
panel=$build/app/frontpanel
sim=$build/tools/freqsim
shots=${1:-$here/out/screenshots}
mkdir -p "$shots"
XVFB_SCREEN=1850x700x24
source "$here/tools/xvfb-common.sh"
link=$work/COM2
shoot() { import -display "$display" -window root -crop 800x451+3+95 +repage "$shots/$1"; }
key() { xdotool windowfocus --sync "$window"; xdotool key "$@"; }

start_xvfb
export DISPLAY=$display
start_simulator --link "$link" --burst --period-ms 3600000
"$panel" --port "2=$link" > "$work/panel.log" 2>&1 &
panel_pid=$!
pids+=($panel_pid)
for _ in $(seq 100); do LC_ALL=C.UTF-8 xdotool search --name 'Частотомер' > /dev/null 2>&1 && break; sleep 0.1; done
window=$(LC_ALL=C.UTF-8 xdotool search --name 'Частотомер' | head -n 1)
sleep 1
shoot reading-start.png
kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true

# 10.0001 MHz: at 10^4 ms it counts 100001000, a digit more than the display has.
start_simulator --link "$link" --burst --period-ms 100 --noise-ppm 1 --signal-hz 10000100
sleep 2
key 4            # averaging 1000 ms
sleep 6
shoot reading-live.png
key m            # ПАМЯТЬ
sleep 2
shoot reading-held.png
key m
sleep 3
key 5            # averaging 10^4 ms: 10 MHz counts 100000000
sleep 12
shoot reading-overflow.png
key 4
sleep 4
kill -STOP "$sim_pid"
sleep 2
shoot reading-silent.png
kill -CONT "$sim_pid"
sleep 2
key ctrl+m
sleep 1
measurements=$(LC_ALL=C.UTF-8 xdotool search --name '^(Measurements|Измерения)$' | head -n 1)
xdotool windowmove "$measurements" 830 40  # beside the panel, not over it
sleep 3
kill "$sim_pid"; wait "$sim_pid" 2>/dev/null || true
sleep 2
shoot reading-lost.png
# The instrument comes back as it was (averaging 1 s, key 6 sent on its line before the panel
# has it again), so the trend goes on in the same series after its break.
start_simulator --link "$link" --burst --period-ms 100 --noise-ppm 1 --signal-hz 10000100
printf '\006' > "$line"
sleep 10
shoot reading-back.png
import -display "$display" -window "$measurements" "$shots/reading-trend.png"
echo "screenshot-reading: shots in $shots"
