#!/usr/bin/env bash
# The documentation a user installs matches the programs: every option a program's --help lists
# is described in its manual page and every option the page describes exists; the pages render
# without a warning and have the sections a reader looks for; --version names the program and
# the project version; the desktop entry is valid.
#   check-docs.sh SOURCE_DIR VERSION PROGRAM...
set -euo pipefail
src=$1 version=$2
shift 2
fail=0
bad() { echo "FAIL: $*"; fail=1; }

desktop-file-validate "$src/packaging/frontpanel.desktop" || bad "the desktop entry is not valid"

for prog in "$@"; do
  name=$(basename "$prog")
  page=$src/packaging/$name.1
  [ -f "$page" ] || { bad "$name has no manual page"; continue; }
  # The way lintian renders pages: UTF-8, every warning shown.
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || bad "$page renders with warnings: $warnings"
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" EXAMPLES "SEE ALSO"; do
    grep -qE "^\.SH \"?$section\"?\$" "$page" || bad "$page has no $section section"
  done

  # Neither answer may need a display.
  help=$(env -u DISPLAY -u QT_QPA_PLATFORM "$prog" --help) || bad "$name --help failed"
  listed=$(grep -oE -- '^ +--[a-z][-a-z0-9]*' <<<"$help" | tr -d ' ' | sort -u)
  # An option's entry: a .TP paragraph whose tag starts with the option in bold.
  described=$(grep -A1 '^\.TP' "$page" | grep -oE '^\.B[IR]? +\\-\\-[a-z][-a-z0-9\\]*' \
              | sed -E 's/^\.B[IR]? +//; s/\\-/-/g' | sort -u)
  missing=$(comm -23 <(echo "$listed") <(echo "$described"))
  stale=$(comm -13 <(echo "$listed") <(echo "$described"))
  [ -z "$missing" ] || bad "$page does not describe:" $missing
  [ -z "$stale" ] || bad "$page describes options $name --help does not list:" $stale

  answer=$(env -u DISPLAY -u QT_QPA_PLATFORM "$prog" --version) || bad "$name --version failed"
  [[ $answer == "$name $version" || $answer == "$name $version ("*")" ]] \
    || bad "$name --version says '$answer', expected '$name $version' and the git state"
done
exit $fail
