#!/usr/bin/env bash
# Builds a release tree and the Debian package of the front panel, and prints the package's
# path as the last line.
#   tools/package.sh [build-dir]          (default: build-release beside the sources)
# The programs are built with Debian's hardening flags (dpkg-buildflags), without the tests and
# benchmarks; CPack strips them and computes the dependencies with dpkg-shlibdeps.
# The package is reproducible: two builds of one commit, in any folders, are the same bytes.
# Every date in it is the commit's (SOURCE_DATE_EPOCH, which CPack, gzip -n and Qt's resource
# compiler honour), no path of the build or the sources is left in the programs, and the
# compiler's .comment notes are stripped (packaging/strip-notes.cmake).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-"$here/build-release"}
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)
cd "$here"

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$here" log -1 --format=%ct 2>/dev/null || stat -c %Y "$here/CMakeLists.txt")
fi
export SOURCE_DATE_EPOCH QT_RCC_SOURCE_DATE_OVERRIDE=$SOURCE_DATE_EPOCH

# Debug information is stripped from the package anyway: leave it out of the build.  The build
# folder's map comes last, so it wins inside the sources' folder.
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1" | sed -E 's/(^| )-g( |$)/ /'; }
maps="-ffile-prefix-map=$here=. -ffile-prefix-map=$dir=."
bash tools/setup.sh "$dir" -DCMAKE_BUILD_TYPE=Release -DSIO_SANITIZER= \
  -DSIO_BUILD_TESTS=OFF -DSIO_BUILD_BENCH=OFF \
  "-DCMAKE_CXX_FLAGS=$(flags CPPFLAGS) $(flags CXXFLAGS) $maps" \
  "-DCMAKE_C_FLAGS=$(flags CPPFLAGS) $(flags CFLAGS) $maps" \
  "-DCMAKE_EXE_LINKER_FLAGS=$(flags LDFLAGS)" >&2

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! (cd "$dir" && cpack -G DEB) >"$log" 2>&1; then
  cat "$log" >&2
  echo "package: cpack failed" >&2
  exit 1
fi
deb=$(sed -nE 's/^CPack: - package: (.*\.deb) generated\.$/\1/p' "$log" | tail -n 1)
if [ -z "$deb" ] || [ ! -f "$deb" ]; then
  cat "$log" >&2
  echo "package: cpack made no .deb" >&2
  exit 1
fi
echo "$deb"
