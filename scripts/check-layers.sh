#!/usr/bin/env bash
# Fails when a source file includes a layer its own layer may not use, or when Qt appears below
# the widgets. The table is the layer order of docs/ARCHITECTURE.md; change both together.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A allowed=(
  [core]="core"
  [archive]="core archive"
  [resources]="core archive resources"
  [motion]="core motion"
  [platform]="core platform"
  [render]="core render"
  [formats]="core archive resources render formats"
  [demo]="core archive motion render formats demo"
  [editor]="core archive resources motion platform render formats editor"
  [widgets]="core widgets"
  [app]="core archive resources motion platform render formats editor widgets app"
  [tools]="core archive resources motion platform render formats editor demo"
)
qt_layers=" widgets app "

status=0
while IFS= read -r file; do
  case "$file" in
    src/*) layer=${file#src/}; layer=${layer%%/*} ;;
    tools/*) layer=tools ;;
  esac
  if [[ -z "${allowed[$layer]+x}" ]]; then
    echo "$file: layer '$layer' is not in the table of scripts/check-layers.sh"
    status=1
    continue
  fi
  while IFS=: read -r line target; do
    used=${target%%/*}
    if [[ " ${allowed[$layer]} " != *" $used "* ]]; then
      echo "$file:$line: $layer may not include $target"
      status=1
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]+/' "$file" |
           sed -E 's/^([0-9]+):.*"([^"]+)".*/\1:\2/' || true)
  if [[ "$qt_layers" != *" $layer "* ]] && grep -qE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<Q' "$file"; then
    echo "$file: $layer may not use Qt"
    status=1
  fi
done < <(git ls-files 'src/*.h' 'src/*.cpp' 'tools/*.h' 'tools/*.cpp')

if [[ $status -eq 0 ]]; then echo "layers: every include points down"; fi
exit $status
