#!/usr/bin/env bash
# The window's first contact with a user, under Xvfb, as pictures: the box of a port that cannot
# be opened ("start-error.png"), the strip while a lost line waits for its device with a long
# path elided and its tooltip ("strip-tooltip.png"), a refused recording ("refused-recording.png"),
# the boxes of a forbidden and of a busy
# device ("forbidden.png", "busy.png"), the device chooser with free, busy and forbidden
# devices ("chooser.png"), "Keyboard…" ("keyboard.png") and "About…" ("about.png").
# Built programs come from $BUILD (default: build/).  As root, the window runs as the user
# $SHOT_USER when given (a user outside the dialout group sees forbidden devices).
#
#   screenshot-help.sh [DIR]      (default: out/screenshots)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/build}
panel=$build/app/frontpanel
sim=$build/tools/freqsim
[ -x "$panel" ] && [ -x "$sim" ] || { echo "screenshot-help: build the programs first" >&2; exit 1; }
shots=${1:-$here/out/screenshots}
mkdir -p "$shots"
source "$here/tools/xvfb-common.sh"
XVFB_SCREEN=${XVFB_SCREEN:-1280x800x24} start_xvfb
export DISPLAY=$display
# Remembered devices go to a folder of the run's own.
export XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_CONFIG_HOME/frontpanel"
as_user=()
if [ -n "${SHOT_USER:-}" ] && [ "$(id -u)" -eq 0 ]; then
  # setpriv runs the program itself (no process in between), so it is the one stopped.
  as_user=(setpriv "--reuid=$SHOT_USER" "--regid=$SHOT_USER" --init-groups env "DISPLAY=$display"
           "XDG_CONFIG_HOME=$XDG_CONFIG_HOME" "HOME=$(getent passwd "$SHOT_USER" | cut -d: -f6)")
  chmod 755 "$work"
  chown -R "$SHOT_USER" "$XDG_CONFIG_HOME"
  printf '#!/bin/sh\nexec %s %s "$@"\n' "${as_user[*]}" "$sim" > "$work/sim-as-user"
  chmod 755 "$work/sim-as-user"
  sim=$work/sim-as-user
fi
shoot() { import -display "$display" -window root "$1"; }
# The window of the given title, once it is there.
window() {
  for _ in $(seq 100); do
    id=$(LC_ALL=C.UTF-8 xdotool search --name "$1" 2>/dev/null | head -n 1) && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "screenshot-help: no window '$1'" >&2
  exit 1
}
menu() {  # the n-th entry of the window's context menu
  xdotool windowfocus --sync "$win"
  xdotool mousemove 500 300 click 3
  sleep 0.5
  for _ in $(seq "$1"); do xdotool key Down; done
  xdotool key Return
  sleep 2
}

# A port that cannot be opened: one box, in plain words, before the window.
"${as_user[@]}" "$panel" --port "2=/dev/ttyS9" > "$work/panel.log" 2>&1 &
pids+=($!)
window 'Частотомер' > /dev/null
sleep 1.5
shoot "$shots/start-error.png"
kill "${pids[-1]}"

# The simulator behind a link with a long path; it is killed and leaves its link behind.
long=$work/a-rather-long-folder-name-for-the-link-of-the-instrument-simulator
mkdir -p "$long"
chmod 777 "$long"
start_simulator --link "$long/COM2" --period-ms 500
held=$line
"${as_user[@]}" "$panel" --port "2=$long/COM2" > "$work/panel.log" 2>&1 &
pids+=($!)
win=$(window 'Частотомер')
sleep 2
kill -9 "$sim_pid"
sleep 2
# A refused recording: its box, and its message in the strip for a while.
xdotool windowfocus --sync "$win"
xdotool key ctrl+r
sleep 1.5
xdotool type --delay 10 "/sys/readings.csv"
xdotool key Return
sleep 1.5
shoot "$shots/refused-recording.png"
xdotool key Return
sleep 0.5
# A recording makes the strip short of room; the pointer rests on the link's segment.
xdotool windowfocus --sync "$win"
xdotool key ctrl+r
sleep 1.5
xdotool type --delay 10 "$long/readings.csv"
xdotool key Return
sleep 1.5
xdotool windowfocus --sync "$win"
xdotool mousemove 100 528
sleep 0.3
xdotool mousemove 104 530
sleep 2.5
shoot "$shots/strip-tooltip.png"

# The chooser: what Com1 and Com2 stand for, the devices chosen before (one forbidden, one busy:
# another program has locked it, one free) and the machine's own devices.  Each is chosen
# once first, so it is remembered; the forbidden and the busy one say why in a box.
owner=${SHOT_USER:-root}
terminal() {  # a pseudo-terminal of mode $2 owned by $1 and the group dialout; $4: locked by its holder
  python3 -c 'import fcntl, os, pty, pwd, sys, time
m, s = pty.openpty(); n = os.ttyname(s)
if sys.argv[3] == "lock": fcntl.flock(s, fcntl.LOCK_EX)
else: os.close(s)
os.chown(n, pwd.getpwnam(sys.argv[1]).pw_uid, 20); os.chmod(n, int(sys.argv[2], 8))
print(n, flush=True); time.sleep(600)' "$1" "$2" "${4:-}" > "$work/$3" &
  pids+=($!)
  for _ in $(seq 50); do [ -s "$work/$3" ] && break; sleep 0.1; done
}
terminal root 660 forbidden
terminal "$owner" 600 free
terminal "$owner" 600 busy lock
busy=$(cat "$work/busy")
choose() {  # types $1 into the chooser and takes it; $2: the picture of the box that follows
  xdotool windowfocus --sync "$win"
  xdotool key ctrl+p
  sleep 1
  xdotool key ctrl+a
  xdotool type --delay 5 "$1"
  xdotool key Return
  sleep 1.5
  if [ -n "${2:-}" ]; then
    shoot "$2"
    xdotool key Return
    sleep 0.5
  fi
}
choose "$(cat "$work/forbidden")" "$shots/forbidden.png"
choose "$busy" "$shots/busy.png"
choose "$(cat "$work/free")"
xdotool windowfocus --sync "$win"
xdotool key ctrl+p
sleep 1.5
shoot "$shots/chooser.png"
xdotool key Escape
sleep 0.5
menu 5
shoot "$shots/keyboard.png"
LC_ALL=C.UTF-8 xdotool search --name '^(Keyboard|Клавиатура)$' windowclose 2>/dev/null || xdotool key Escape
sleep 0.5
menu 6
shoot "$shots/about.png"
xdotool key Return
echo "Screenshots in $shots (held $held, busy $busy, forbidden $(cat "$work/forbidden"), free $(cat "$work/free"))"
