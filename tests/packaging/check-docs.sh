#!/usr/bin/env bash
# The documentation a user installs matches the programs: every option a program's --help lists
# is described in its manual page, and in its Russian page (NAME.ru.1) where it has one, and every
# option a page describes exists; the pages render without a warning and have the sections a
# reader looks for; --version names the program and the project version; the desktop entry is
# valid.
#   check-docs.sh SOURCE_DIR VERSION PROGRAM...
set -euo pipefail
src=$1 version=$2
shift 2
fail=0
bad() { echo "FAIL: $*"; fail=1; }

desktop-file-validate "$src/packaging/frontpanel.desktop" || bad "the desktop entry is not valid"

english_sections=(NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" EXAMPLES "SEE ALSO")
russian_sections=(ИМЯ ОБЗОР ОПИСАНИЕ ПАРАМЕТРЫ "КОД ЗАВЕРШЕНИЯ" ПРИМЕРЫ "СМОТРИТЕ ТАКЖЕ")
for prog in "$@"; do
  name=$(basename "$prog")
  [ -f "$src/packaging/$name.1" ] || { bad "$name has no manual page"; continue; }
  # Neither answer may need a display.
  help=$(env -u DISPLAY -u QT_QPA_PLATFORM "$prog" --help) || bad "$name --help failed"
  listed=$(grep -oE -- '^ +--[a-z][-a-z0-9]*' <<<"$help" | tr -d ' ' | sort -u)
  for page in "$src/packaging/$name.1" "$src/packaging/$name.ru.1"; do
    [ -f "$page" ] || continue
    # The way lintian renders pages: UTF-8, every warning shown.
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || bad "$page renders with warnings: $warnings"
    if [[ $page == *.ru.1 ]]; then sections=("${russian_sections[@]}"); else sections=("${english_sections[@]}"); fi
    for section in "${sections[@]}"; do
      grep -qE "^\.SH \"?$section\"?\$" "$page" || bad "$page has no $section section"
    done
    # An option's entry: a .TP paragraph whose tag starts with the option in bold.
    described=$(grep -A1 '^\.TP' "$page" | grep -oE '^\.B[IR]? +\\-\\-[a-z][-a-z0-9\\]*' \
                | sed -E 's/^\.B[IR]? +//; s/\\-/-/g' | sort -u)
    missing=$(comm -23 <(echo "$listed") <(echo "$described"))
    stale=$(comm -13 <(echo "$listed") <(echo "$described"))
    [ -z "$missing" ] || bad "$page does not describe:" $missing
    [ -z "$stale" ] || bad "$page describes options $name --help does not list:" $stale
  done

  answer=$(env -u DISPLAY -u QT_QPA_PLATFORM "$prog" --version) || bad "$name --version failed"
  [[ $answer == "$name $version" || $answer == "$name $version ("*")" ]] \
    || bad "$name --version says '$answer', expected '$name $version' and the git state"
done
exit $fail
