#!/bin/sh
# SPDX-License-Identifier: MIT
# Dependencies point down only: a file under src/LAYER may include from its
# own layer and the layers below it, never from one above, and no front end
# includes another. Nor does a front end call into the core modules the
# application owns (Port(), Log(), Engine(), Procs(), kept for tests): it
# learns what happened from the dispatch.
#   layering.sh SRC_DIR
set -eu
src=$1
order="host log serial engine procedures report app"
rank() {
  r=0
  for layer in $order; do
    [ "$layer" = "$1" ] && { echo $r; return; }
    r=$((r + 1))
  done
  echo 99  # a front end
}
status=0
for dir in "$src"/*/; do
  layer=$(basename "$dir")
  own=$(rank "$layer")
  for file in $(find "$dir" -name '*.h' -o -name '*.cpp'); do
    for used in $(sed -n 's/^#include "\([a-z0-9_]*\)\/.*/\1/p' "$file" | sort -u); do
      [ -d "$src/$used" ] || continue
      [ "$used" = "$layer" ] && continue
      theirs=$(rank "$used")
      if [ "$theirs" -ge "$own" ]; then
        echo "layering: ${file#$src/} includes from $used/, which is not below $layer/" >&2
        status=1
      fi
    done
  done
done
for layer in cli qt win32; do
  [ -d "$src/$layer" ] || continue
  if calls=$(grep -rnE --include='*.h' --include='*.cpp' '(\.|->)(Port|Log|Engine|Procs)\(\)' "$src/$layer"); then
    echo "$calls" | sed "s|^$src/|layering: |; s|\$| (a call into the core, which is for tests)|" >&2
    status=1
  fi
done
exit $status
