#!/usr/bin/env bash
# Sets up the machine, builds, and runs the front panel against the instrument simulator,
# which plays the instrument on a pseudo-terminal that the panel uses as COM2.
#
# With a real instrument, run the program directly:  build/app/frontpanel --port 2=/dev/ttyUSB0
# (with no arguments it opens port 2: /dev/COM2 if that link exists, else /dev/ttyS1).
# Where no display is available the pair runs under Xvfb for a few seconds and screenshots are
# saved instead; their paths are printed.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/tools/setup.sh" "$here/build"
if [ -z "${DISPLAY:-}" ]; then
  echo "No display here: running the front panel and the simulator under Xvfb for a few seconds."
fi
BUILD=$here/build exec bash "$here/tools/panel-session.sh" "$@"
