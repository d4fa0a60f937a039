#!/usr/bin/env bash
# The Measurements window beside the instrument simulator, what it saves, and the headless
# logger's summary of the same frames, so the two can be compared; then a series broken by a
# lost line.
#
#   screenshot-measurements.sh [DIR] [FRAMES] [PERIOD_MS]      (default out/screenshots, 1500, 20)
#
# The window speaks $SHOT_LANG (en or ru, default en); the keys that drive its menus follow.
#
# 1. The simulator (10 MHz with noise of 1 ppm, averaging 100 ms: a measurement per gate, about
#    0.12 s apart at 20 ms frames; frames written at once) is recorded once into a capture,
#    replayed twice, 3 s after each start, so that both readers get every frame.
# 2. The front panel under Xvfb gets the first replay.  In its Measurements window (Ctrl+M) every
#    deviation is chosen from the Deviations menu (Alt+D), and the window is shot with their
#    error bars as "measurements.png".  Then it saves, through its Save menu and the file
#    dialog: "trend.png", "stability.png", "stability.svg", "histogram.png", "statistics.csv"
#    and "deviations.csv" (the window's deviations in full).
# 3. `frontpanel --headless --summary` gets the second replay: its summary line goes to
#    "summary.json".
# 4. A live simulator at averaging 100 ms is stopped for 3 s and started again as it was: the
#    window ("measurements-break.png") shows the trend broken where the line was lost, the
#    statistics of the segment after it and the deviations of both segments.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/build}
panel=$build/app/frontpanel
sim=$build/tools/freqsim
shots=${1:-$here/out/screenshots}
frames=${2:-1500}
period=${3:-20}
mkdir -p "$shots"
XVFB_SCREEN=1280x800x24
source "$here/tools/xvfb-common.sh"
lang=${SHOT_LANG:-en}
# The menus' keys in the window's language: Deviations, Save, and in Save the stability chart
# and the histogram (the deviations' own letters are the same in both).
if [ "$lang" = ru ]; then
  deviations_key=alt+Cyrillic_de save_key=alt+Cyrillic_es stability_key=Cyrillic_te histogram_key=Cyrillic_ghe
else
  deviations_key=alt+d save_key=alt+s stability_key=t histogram_key=h
fi

# The Measurements window of the panel started last: opened, and every deviation chosen.
open_measurements() {
  for _ in $(seq 100); do LC_ALL=C.UTF-8 xdotool search --name 'Частотомер' > /dev/null 2>&1 && break; sleep 0.1; done
  xdotool windowfocus --sync "$(LC_ALL=C.UTF-8 xdotool search --name 'Частотомер' | head -n 1)"
  xdotool key ctrl+m
  for _ in $(seq 100); do LC_ALL=C.UTF-8 xdotool search --name '^(Measurements|Измерения)$' > /dev/null 2>&1 && break; sleep 0.1; done
  window=$(LC_ALL=C.UTF-8 xdotool search --name '^(Measurements|Измерения)$' | head -n 1)
  xdotool windowmove "$window" 0 0
  # ADEV, MDEV, TDEV, HDEV and overlapping HDEV besides the overlapping ADEV shown first; each
  # choice closes the menu.
  for letter in a m t h d; do
    xdotool windowfocus --sync "$window"
    xdotool key "$deviations_key"
    sleep 0.4
    xdotool key "$letter"
    sleep 0.3
  done
}

# Saves through the file dialog: the keys that open it, then the path typed.
save_as() {
  local path=$1
  shift
  rm -f "$path"
  xdotool windowfocus --sync "$window"
  xdotool key "$@"
  sleep 1.5
  xdotool type --delay 10 "$path"
  xdotool key Return
  sleep 1
  [ -s "$path" ] || echo "screenshot-measurements: $path was not written" >&2
}

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

# 2. The window and what it saves.
start_xvfb
export DISPLAY=$display
start_simulator --replay "$work/replay.cap"
"$panel" --lang "$lang" --port "2=$line" > "$work/panel.log" 2>&1 &
pids+=($!)
panel_pid=$!
open_measurements
# The charts are redrawn every other second: the last of them too.
sleep $(( 3 + frames * period / 1000 + 4 ))
import -display "$display" -window "$window" "$shots/measurements.png"
save_as "$shots/trend.png" ctrl+s
save_as "$shots/stability.png" "$save_key" "$stability_key"
save_as "$shots/stability.svg" "$save_key" "$stability_key"
save_as "$shots/histogram.png" "$save_key" "$histogram_key"
save_as "$shots/statistics.csv" ctrl+shift+s
save_as "$shots/deviations.csv" ctrl+shift+a
kill "$panel_pid" "${pids[-2]}" 2>/dev/null || true

# 3. The headless logger on the same frames.
start_simulator --replay "$work/replay.cap"
"$panel" --headless --port "2=$line" --duration $(( 3 + frames * period / 1000 + 1 )) --csv "$work/headless.csv" \
  --summary 2> "$shots/summary.json" || true
kill "$sim_pid" 2>/dev/null || true

# 4. A lost line: the simulator goes for 3 s and comes back as it was.
link=$work/COM2
start_simulator --link "$link" --burst --period-ms "$period" --noise-ppm 1
"$panel" --lang "$lang" --port "2=$link" > "$work/panel-break.log" 2>&1 &
pids+=($!)
printf '\005' > "$line"
open_measurements
sleep 20
kill "$sim_pid"
wait "$sim_pid" 2>/dev/null || true
sleep 3
start_simulator --link "$link" --burst --period-ms "$period" --noise-ppm 1
printf '\005' > "$line"
sleep 20
import -display "$display" -window "$window" "$shots/measurements-break.png"

echo "screenshot-measurements: shots and files in $shots"
echo "The window's deviations ($shots/deviations.csv):"
cat "$shots/deviations.csv"
echo "Headless summary ($shots/summary.json):"
cat "$shots/summary.json"
