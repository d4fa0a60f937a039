#!/usr/bin/env bash
# The Measurements window beside the instrument simulator, and the headless logger's summary of
# the same frames, so the two can be compared.
#
#   screenshot-measurements.sh [DIR] [FRAMES] [PERIOD_MS]      (default out/screenshots, 300, 300)
#
# The simulator (10 MHz with noise of 1 ppm, averaging 100 ms, so a reading shows 10 Hz steps;
# frames written at once) is recorded once into a capture, whose
# frames are then replayed twice, 3 s after each start, so that both readers get every frame:
# to the front panel under Xvfb, whose Measurements window (Ctrl+M) is shot as
# "measurements.png" with its Allan deviation table saved as "adev-window.csv"; and to
# `frontpanel --headless --summary`, whose summary line goes to "summary.json".
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/build}
panel=$build/app/frontpanel
sim=$build/tools/freqsim
shots=${1:-$here/out/screenshots}
frames=${2:-300}
period=${3:-300}
mkdir -p "$shots"
XVFB_SCREEN=1280x800x24
source "$here/tools/xvfb-common.sh"


# 1. The capture: a reader keeps the line flowing while the simulator sends its frames.
start_simulator --noise-ppm 1 --burst --period-ms "$period" --frames "$frames" --record "$work/live.cap"
cat "$line" > /dev/null 2>&1 &
reader=$!
printf '\005' > "$line"  # key 5: averaging 100 ms
wait "${pids[-1]}" || true
kill "$reader" 2>/dev/null || true
# Three seconds later, and a last status byte ten minutes on, so the line stays open meanwhile.
LC_ALL=C awk '$2 == "I" { $1 = sprintf("%.3f", $1 + 3000); print }' "$work/live.cap" > "$work/replay.cap"
echo "600000.000 I 84" >> "$work/replay.cap"
echo "screenshot-measurements: $(grep -c ' I ' "$work/live.cap") messages captured"

# 2. The window.
start_xvfb
export DISPLAY=$display
start_simulator --replay "$work/replay.cap"
"$panel" --port "2=$line" > "$work/panel.log" 2>&1 &
pids+=($!)
panel_pid=$!
for _ in $(seq 100); do LC_ALL=C.UTF-8 xdotool search --name 'Частотомер' > /dev/null 2>&1 && break; sleep 0.1; done
xdotool windowfocus --sync "$(LC_ALL=C.UTF-8 xdotool search --name 'Частотомер' | head -n 1)"
xdotool key ctrl+m
sleep $(( 3 + frames * period / 1000 + 2 ))
window=$(LC_ALL=C.UTF-8 xdotool search --name '^(Measurements|Измерения)$' | head -n 1)
import -display "$display" -window "$window" "$shots/measurements.png"
xdotool windowfocus --sync "$window"
rm -f "$shots/adev-window.csv"
xdotool key ctrl+shift+a
sleep 1.5
xdotool type --delay 10 "$shots/adev-window.csv"
xdotool key Return
sleep 1
kill "$panel_pid" "${pids[-2]}" 2>/dev/null || true

# 3. The headless logger on the same frames.
start_simulator --replay "$work/replay.cap"
"$panel" --headless --port "2=$line" --count "$frames" --csv "$work/headless.csv" --summary 2> "$shots/summary.json"
echo "Screenshot: $shots/measurements.png"
echo "Window's Allan deviation ($shots/adev-window.csv):"
cat "$shots/adev-window.csv"
echo "Headless summary ($shots/summary.json):"
cat "$shots/summary.json"
