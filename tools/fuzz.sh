#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs each for SECONDS (default 60), one after the other, on a copy of its
# seeds, so the committed seeds never grow, within the memory its fuzz/*.cmake allows (MEMORY_MB;
# 2 GB otherwise).  Prints the executions of each target; exits 1 when any target found a crash,
# a leak, a timeout or growth past its memory (the input is kept and the command that replays
# it is printed), 2 when the build fails.
#   tools/fuzz.sh [SECONDS] [TARGET...]     e.g. tools/fuzz.sh 20 fuzz_capture
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
case "$seconds" in ''|*[!0-9]*) echo "fuzz: SECONDS must be a whole number, not '$seconds'" >&2; exit 2 ;; esac
only=("$@")

build="$here/build-fuzz"
bash "$here/tools/setup.sh" --no-build
mkdir -p "$build"
echo "fuzz: building the targets in $build"
if ! { CC=clang-14 CXX=clang++-14 cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DSIO_BUILD_FUZZ=ON -DSIO_SANITIZER=address+undefined -DSIO_WITH_QT=OFF \
         -DSIO_BUILD_TESTS=OFF -DSIO_BUILD_BENCH=OFF &&
       cmake --build "$build" --target sio_fuzzers; } >"$build/build.log" 2>&1; then
  cat "$build/build.log" >&2
  echo "fuzz: the build failed" >&2
  exit 2
fi

runs="$build/fuzz-runs"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:symbolize=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=0
table=()
while IFS= read -r line; do
  # Tabs are blanks to read, which would merge empty columns: split on a byte that is not one.
  IFS=$'\x1f' read -r name binary seeds dict extra memory <<<"${line//$'\t'/$'\x1f'}"
  [ -n "$name" ] || continue
  if [ ${#only[@]} -gt 0 ] && [[ ! " ${only[*]} " == *" $name "* ]]; then continue; fi
  work="$runs/$name"
  rm -rf "$work/corpus"
  mkdir -p "$work/corpus" "$work/found"
  for dir in "$seeds" "$extra"; do
    if [ -n "$dir" ] && [ -d "$dir" ]; then cp -R "$dir"/. "$work/corpus/"; fi
  done
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb="${memory:-2048}" -print_final_stats=1
        -artifact_prefix="$work/found/")
  if [ -n "$memory" ]; then args+=(-malloc_limit_mb="$memory"); fi
  if [ -n "$dict" ]; then args+=(-dict="$dict"); fi
  echo "fuzz: $name for $seconds s${memory:+ within $memory MB}"
  status=0
  "$binary" "${args[@]}" "$work/corpus" >"$work/log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -1)
  found=$(grep -oE "Test unit written to [^ ]+" "$work/log" | tail -1 | sed 's/Test unit written to //' || true)
  if [ "$status" -ne 0 ]; then
    failed=1
    table+=("$(printf '%-20s %12s  FAILED (status %d)' "$name" "${execs:-?}" "$status")")
    echo "fuzz: $name FAILED; the end of its log ($work/log):" >&2
    tail -n 40 "$work/log" >&2
    if [ -n "$found" ]; then
      echo "fuzz: the input is kept in $found; replay it with:" >&2
      echo "    $binary $found" >&2
    fi
  else
    table+=("$(printf '%-20s %12s  ok' "$name" "${execs:-?}")")
  fi
done <"$build/fuzz-targets.tsv"

if [ ${#table[@]} -eq 0 ]; then
  echo "fuzz: no target of that name; the targets are: $(cut -f1 "$build/fuzz-targets.tsv" | tr '\n' ' ')" >&2
  exit 2
fi
echo
printf '%-20s %12s  %s\n' target executions result
for row in "${table[@]}"; do echo "$row"; done
exit "$failed"
