#!/bin/bash
# Fetches, checks and converts every model into $cache/models by running each
# scripts/models/*.sh (one per model family). Idempotent.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export VELL_CACHE=${VELL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vell}
mkdir -p "$VELL_CACHE/models" "$VELL_CACHE/downloads"
for step in "$here"/models/*.sh; do
  [ -e "$step" ] || continue
  bash "$step"
done
