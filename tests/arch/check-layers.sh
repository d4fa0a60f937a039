#!/usr/bin/env bash
# Every folder builds on the folders below it only.  Fails listing each include that points
# the wrong way.
#   check-layers.sh SOURCE_DIR
set -euo pipefail
src=${1:?source folder}
cd "$src"

# folder: the project folders its files may include from (besides itself).
declare -A allowed=(
  [platform]=""
  [common]="platform"
  [dispatch]="common platform"
  [port]="dispatch common platform"
  [led]="platform"
  [measure]="platform"
  [publish]="measure platform"
  [remote]="measure"
  [app]="remote publish measure port led dispatch common platform"
)

bad=0
for folder in "${!allowed[@]}"; do
  [ -d "$folder" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$line")
    [ "$target" = "$folder" ] && continue
    [ -d "$target" ] || continue   # generated headers and the like
    case " ${allowed[$folder]} " in
      *" $target "*) ;;
      *) echo "layer violation: $line"; bad=1 ;;
    esac
  done < <(grep -rHE '^[[:space:]]*#[[:space:]]*include "[^/"]+/' "$folder" --include='*.h' --include='*.cpp' || true)
done
exit $bad
