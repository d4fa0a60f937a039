#!/usr/bin/env bash
# Every text the window shows has a finished translation in every language: lupdate reads the
# sources into temporary copies of the .ts files (the files themselves are left alone), and a
# message it had to add, one left unfinished or empty, and one the sources no longer have are
# listed and fail the check.  To mend: cmake --build <build> --target update_translations, then
# translate in Qt Linguist (linguist resources/translations/frontpanel_ru.ts) or by hand.
#   check-translations.sh LUPDATE SOURCES_LIST TS_FILE...
set -euo pipefail
lupdate=$1 list=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
for ts in "$@"; do
  copy=$work/$(basename "$ts")
  cp "$ts" "$copy"
  if ! report=$("$lupdate" -locations none -I "$(dirname "$0")/../.." @"$list" -ts "$copy" 2>&1); then
    echo "$report"
    echo "FAIL: lupdate failed on $ts"
    exit 1
  fi
  grep -E '^ +Found ' <<<"$report" | sed "s|^ *|$(basename "$ts"): lupdate: |"
  if ! python3 - "$copy" "$ts" <<'PY'
import sys
import xml.etree.ElementTree as ET

copy, original = sys.argv[1], sys.argv[2]
problems = []
for context in ET.parse(copy).getroot().iter('context'):
    name = context.findtext('name')
    for message in context.iter('message'):
        source = message.findtext('source')
        translation = message.find('translation')
        kind = translation.get('type', '')
        forms = [f.text or '' for f in translation.iter('numerusform')] or [translation.text or '']
        if kind in ('vanished', 'obsolete'):
            problems.append(f'no longer in the sources: {name}: "{source}"')
        elif kind == 'unfinished':
            problems.append(f'untranslated or unfinished: {name}: "{source}"')
        elif not all(f.strip() for f in forms):
            problems.append(f'empty translation: {name}: "{source}"')
for p in problems:
    print(f'{original}: {p}')
sys.exit(1 if problems else 0)
PY
  then
    fail=1
  fi
done
[ $fail -eq 0 ] && echo "every text shown in the window is translated in: $(for t in "$@"; do basename "$t"; done | tr '\n' ' ')"
exit $fail
