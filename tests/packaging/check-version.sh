#!/usr/bin/env bash
# The version stamp: the project version alone from a tree without git (a release tarball, or a
# tarball unpacked inside some other checkout), with `git describe` from a checkout, following
# commits, tags and edits; the header is rewritten only when its text changes.
#   check-version.sh GENERATOR     (cmake/GenerateVersion.cmake)
set -euo pipefail
gen=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
header=$tmp/out/ProjectVersion.h
fail=0

stamp() {  # SOURCE_DIR -> the version the header holds
  cmake -DVERSION=9.8.7 -DSOURCE_DIR="$1" -DOUTPUT="$header" -P "$gen"
  sed -nE 's/.*kProjectVersion\[\] = "(.*)";/\1/p' "$header"
}
expect() {  # SOURCE_DIR EXPECTED WHAT
  local got
  got=$(stamp "$1")
  [ "$got" = "$2" ] || { echo "FAIL: $3: '$got', expected '$2'"; fail=1; }
}
git() { command git -C "$tmp/src" -c user.name=test -c user.email=test@example.org "$@"; }

mkdir -p "$tmp/src/sub"
echo one > "$tmp/src/file"
expect "$tmp/src" "9.8.7" "a tree without git"

git init -q
git add file
git commit -qm one
expect "$tmp/src" "9.8.7 ($(git rev-parse --short HEAD))" "a checkout"
touch -d 2001-01-01 "$header"
stamp "$tmp/src" >/dev/null
[ "$(stat -c %Y "$header")" = "$(date -d 2001-01-01 +%s)" ] \
  || { echo "FAIL: the header was rewritten with the same text"; fail=1; }
expect "$tmp/src/sub" "9.8.7" "a tree inside another checkout"

echo two > "$tmp/src/file"
expect "$tmp/src" "9.8.7 ($(git rev-parse --short HEAD)-dirty)" "an edited checkout"
git commit -qam two
git tag v9.8.7
expect "$tmp/src" "9.8.7 (v9.8.7)" "a tagged commit"
exit $fail
