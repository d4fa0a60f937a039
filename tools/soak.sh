#!/usr/bin/env bash
# A soak run: hours of traffic must lose nothing and leak nothing.
#   tools/soak.sh [MINUTES]        (default 60)
#
# 1. The headless logger (--reconnect) records for MINUTES from simulators run one after the
#    other at the same link path, in burst mode with a frame every millisecond, each for a
#    phase of up to a minute with one fault switched on in turn: none, garbage, cut frames,
#    over-long runs, bad point codes, a hang-up after a number of frames.  Every phase ends
#    with the simulator closing the line, so the logger loses it and opens the next one.
#    Each simulator lists the frames it sent whole (--sent-log); every one of them must be a
#    row of the CSV (the logger records every frame), in order, with its reading
#    (tools/soakcheck.py compare).
# 2. At the same time the window runs for 10 minutes (MINUTES if fewer) under Xvfb, against
#    simulators run the same way.
#    The logger's and the window's memory, threads, descriptors and CPU time are sampled every
#    30 s from /proc; after the first minute threads and descriptors may not grow at all and
#    memory by at most 2 MiB, the window's beyond the 20 bytes it keeps for each measurement
#    (tools/soakcheck.py growth).
# 3. Then 1,000 open/close cycles of a line with traffic (DispatchCycleTest, SIO_CYCLES), and
#    the randomized port test for a twelfth of MINUTES (at least 30 s).
# Prints a summary of the figures; exits 1 when any check failed.  The files of the run stay in
# build/soak/, or $SOAK_DIR (the CSV, the sent logs, the samples, every program's output).
# $BUILD names another build folder.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
minutes=${1:-60}
case "$minutes" in ''|*[!0-9]*|0) echo "soak: MINUTES must be a whole number from 1, not '$minutes'" >&2; exit 2 ;; esac

build=${BUILD:-$here/build}
out=${SOAK_DIR:-$build/soak}
rm -rf "$out"
mkdir -p "$out"
echo "soak: building in $build"
bash "$here/tools/setup.sh" "$build" > "$out/build.log" 2>&1 || { cat "$out/build.log" >&2; exit 2; }
panel=$build/app/frontpanel
sim=$build/tools/freqsim
cycles_test=$(find "$build/tests" -type f -name DispatchCycleTest -perm -u+x | head -n 1)
random_test=$(find "$build/tests" -type f -name PortRandomTest -perm -u+x | head -n 1)
check=(python3 "$here/tools/soakcheck.py")

total_s=$((minutes * 60))
window_s=$((total_s < 600 ? total_s : 600))
random_s=$((total_s / 12 > 30 ? total_s / 12 : 30))
phase_s=$((total_s / 6 < 60 ? total_s / 6 : 60))
phase_s=$((phase_s < 10 ? 10 : phase_s))
interval=30

# Xvfb, the scratch folder $work and the clean-up of $pids on exit.
source "$here/tools/xvfb-common.sh"

summary=()
failed=0
fail() {
  echo "soak: FAILED: $*" >&2
  summary+=("FAILED: $*")
  failed=1
}

# The fault of phase N, in turn.
phase_fault() {
  case $(($1 % 6)) in
    0) ;;
    1) echo "--garbage 64" ;;
    2) echo "--cut-every 7" ;;
    3) echo "--overlong-every 11" ;;
    4) echo "--bad-point-every 13" ;;
    5) echo "--hangup-after $((phase_s * 500))" ;;
  esac
}

# run_simulators LINK SECONDS PREFIX: simulators one after the other at LINK for SECONDS, each
# for a phase; the sent log of run N is PREFIX-N.sent (N with three digits), its output
# PREFIX-N.err.  A run that fails is written to PREFIX.problems.
run_simulators() {
  local link=$1 prefix=$3 end=$((SECONDS + $2)) n=0 left status
  while [ "$SECONDS" -lt "$end" ]; do
    left=$((end - SECONDS))
    left=$((left < phase_s ? left : phase_s))
    local name
    name=$(printf '%s-%03d' "$prefix" "$n")
    # shellcheck disable=SC2046  # the fault's option and value are two words
    "$sim" --link "$link" --burst --period-ms 1 --noise-ppm 1000 --seed $((n + 1)) \
      --run-ms $((left * 1000)) --sent-log "$name.sent" $(phase_fault "$n") > /dev/null 2> "$name.err" &&
      status=0 || status=$?
    [ "$status" -eq 0 ] || echo "simulator run $n ($(phase_fault "$n")) ended with status $status" >> "$prefix.problems"
    n=$((n + 1))
  done
}

wait_for_link() {
  for _ in $(seq 100); do
    [ -e "$1" ] && return 0
    sleep 0.05
  done
  echo "soak: no simulator made $1" >&2
  exit 1
}

# 1 and 2: the logger and the window, side by side.
echo "soak: logger for $minutes min, window for $((window_s / 60)) min, phases of $phase_s s"
run_simulators "$out/logger-COM2" "$total_s" "$out/logger" &
logger_sims=$!
pids+=("$logger_sims")
wait_for_link "$out/logger-COM2"
"$panel" --headless --port "2=$out/logger-COM2" --reconnect --every-frame --csv "$out/logger.csv" \
  > "$out/logger.out" 2> "$out/logger.err" &
logger=$!
pids+=("$logger")
"${check[@]}" sample "$logger" "$out/logger.samples" "$interval" &
pids+=($!)

start_xvfb
run_simulators "$out/window-COM2" "$window_s" "$out/window" &
window_sims=$!
pids+=("$window_sims")
wait_for_link "$out/window-COM2"
DISPLAY=$display "$panel" --port "2=$out/window-COM2" > "$out/window.out" 2>&1 &
window=$!
pids+=("$window")
"${check[@]}" sample "$window" "$out/window.samples" "$interval" &
pids+=($!)

wait "$window_sims" || true
if kill -0 "$window" 2>/dev/null; then
  kill -TERM "$window"
  wait "$window" 2>/dev/null || true
else
  fail "the window ended before its soak was over (see $out/window.out)"
fi
wait "$logger_sims" || true
# The last simulator waited until its line was read; give the logger a moment to write it.
sleep 2
if kill -0 "$logger" 2>/dev/null; then
  kill -TERM "$logger"
  status=0
  wait "$logger" || status=$?
  [ "$status" -eq 0 ] || fail "the logger ended with status $status (see $out/logger.err)"
else
  fail "the logger ended before its soak was over (see $out/logger.err)"
fi
sleep 1  # the samplers see their process gone
# The window keeps every point of its series by design (20 bytes each); the logger keeps none.
for who in logger window; do
  [ ! -s "$out/$who.problems" ] || fail "$(cat "$out/$who.problems")"
  allowance=()
  [ "$who" = logger ] || allowance=(--sent "$out/$who"-*.sent)
  line=$("${check[@]}" growth "$out/$who.samples" "$who" "${allowance[@]}") || fail "the $who grew"
  summary+=("${line//$'\n'/; }")
done
line=$("${check[@]}" compare "$out/logger.csv" "$out"/logger-*.sent) || fail "rows and frames differ"
summary+=("$line")
summary+=("logger: $(grep -c "reconnected" "$out/logger.err" || true) reconnections")

# 3. Open/close cycles, then the randomized port test.
echo "soak: 1000 open/close cycles"
if SIO_CYCLES=1000 "$cycles_test" > "$out/cycles.log" 2>&1; then
  summary+=("$(grep -m1 '^cycles ' "$out/cycles.log")")
else
  fail "open/close cycles (see $out/cycles.log)"
fi
echo "soak: randomized port test for $random_s s"
if "$random_test" --seconds="$random_s" > "$out/random.log" 2>&1; then
  summary+=("random port test, $random_s s: $(grep -m1 -o 'seed [0-9]*: .*' "$out/random.log" || echo passed)")
else
  fail "randomized port test (see $out/random.log)"
fi

echo
echo "soak summary ($minutes min):"
for line in "${summary[@]}"; do echo "  $line"; done
[ "$failed" -eq 0 ] && echo "soak: passed" || echo "soak: FAILED"
exit "$failed"
