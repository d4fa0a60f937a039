#!/usr/bin/env bash
# Shows the port selection dialog under Xvfb, with three pseudo-terminals as COM1 to COM3,
# and saves a picture of it.  Built programs come from $BUILD (default: build/).
#
#   screenshot-dialog.sh [picture.png]      (default: out/screenshots/select-port.png)
#
# Xvfb has no window manager, so the picture is the dialog's client area without a title bar.
# A second picture, <name>-screen.png, shows the whole screen with the dialog centred on it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/build}
tool=$build/tools/selcompreview
[ -x "$tool" ] || { echo "screenshot-dialog: $tool is not built" >&2; exit 1; }
out=${1:-$here/out/screenshots/select-port.png}
mkdir -p "$(dirname "$out")"

source "$here/tools/xvfb-common.sh"

start_xvfb

DISPLAY=$display QT_QPA_PLATFORM=xcb "$tool" --pty 1 --pty 2 --pty 3 > "$work/tool.out" 2> "$work/tool.err" &
pids+=($!)
geometry=""
for _ in $(seq 100); do
  geometry=$(grep -m1 '^geometry ' "$work/tool.out" || true)
  [ -n "$geometry" ] && break
  sleep 0.05
done
[ -n "$geometry" ] || { echo "screenshot-dialog: the dialog did not come up:" >&2; cat "$work/tool.err" >&2; exit 1; }
read -r _ x y w h <<< "$geometry"
sleep 0.3
import -display "$display" -window root -crop "${w}x${h}+${x}+${y}" +repage "$out"
import -display "$display" -window root "${out%.png}-screen.png"
echo "Dialog at ${x},${y} size ${w}x${h}: $out ${out%.png}-screen.png"
