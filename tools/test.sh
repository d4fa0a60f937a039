#!/usr/bin/env bash
# Sets up the machine, builds, and runs every test:
#   1. the normal build: all tests; then the Debian package is built, installed, run and removed;
#   2. a ThreadSanitizer build of the core: the threaded tests;
#   3. an AddressSanitizer + UndefinedBehaviorSanitizer build of the core: the other tests;
#   4. the fuzz targets, briefly (tools/fuzz.sh);
#   5. a 2-minute soak of the logger and the window (tools/soak.sh) in the normal build.
# Build folders: build/, build-release/ (the package), build-tsan/, build-asan/, build-fuzz/
# beside this repository's sources.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

bash tools/setup.sh "$here/build"
ctest --test-dir build --output-on-failure -j 2
bash tests/packaging/check-package.sh

bash tools/setup.sh "$here/build-tsan" -DSIO_SANITIZER=thread -DSIO_WITH_QT=OFF -DSIO_BUILD_BENCH=OFF
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir build-tsan -L threaded --output-on-failure

bash tools/setup.sh "$here/build-asan" -DSIO_SANITIZER=address+undefined -DSIO_WITH_QT=OFF -DSIO_BUILD_BENCH=OFF
ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1" \
  ctest --test-dir build-asan -LE threaded --output-on-failure

# 4. The fuzz targets, about 20 s each (clang, libFuzzer, AddressSanitizer + UBSan): build-fuzz/.
bash tools/fuzz.sh 20

# 5. A short soak: the logger and the window against faulty simulators, cycles, random steps.
bash tools/soak.sh 2
