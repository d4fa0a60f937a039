#!/usr/bin/env bash
# Installs every package the build, the program and the tests need, then configures and builds.
# Idempotent: packages already present are not fetched again, and the build is incremental.
#   tools/setup.sh [--no-build] [build-dir] [extra cmake args...]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libgl-dev
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n locales
  fonts-dseg fonts-dejavu-core fonts-dejavu-extra
  xvfb xauth x11-utils imagemagick xdotool python3
  git dpkg-dev file lintian desktop-file-utils man-db groff-base
  clang-14 libclang-rt-14-dev
  libmosquitto-dev mosquitto mosquitto-clients
  ser2net socat
  python3-pyvisa python3-pyvisa-py
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: these packages are missing and installing them needs root: ${missing[*]}" >&2
    exit 1
  fi
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  # Quiet unless it fails: then everything apt-get said is shown.  Another package manager at
  # work (an unattended upgrade right after boot) holds its locks: apt waits for the dpkg lock
  # by itself (DPkg::Lock::Timeout), and a run that found the lists locked is tried again.
  log=$(mktemp)
  apt() { apt-get -o DPkg::Lock::Timeout=600 "$@"; }
  for try in $(seq 60); do
    if { apt update -qq && apt install -y -qq --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
      break
    fi
    if [ "$try" -lt 60 ] && grep -q "Could not get lock" "$log"; then
      [ "$try" -eq 1 ] && echo "setup: another package manager is at work; waiting for it" >&2
      sleep 10
      continue
    fi
    cat "$log" >&2
    rm -f "$log"
    echo "setup: installing the packages failed" >&2
    exit 1
  done
  rm -f "$log"
fi

# The Russian locale, in which the tests run a Russian window as a Russian user's session does
# (numbers in the C library's Russian conventions unless the program keeps them out).
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf-\?8'; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: the locale ru_RU.UTF-8 is missing and making it needs root" >&2
    exit 1
  fi
  localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi

build=1
if [ "${1:-}" = "--no-build" ]; then build=0; shift; fi
[ "$build" -eq 1 ] || exit 0

dir=${1:-"$here/build"}
shift || true
cmake -S "$here" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$dir" -j "$(nproc)"
