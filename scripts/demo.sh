#!/bin/bash
# Builds the suite and runs each program's demo on the bundled sample data.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
export VELL_BIN="$root/build/bin"
export VELL_DEMO_OUT="$root/build/demo"
mkdir -p "$VELL_DEMO_OUT"
for demo in "$root"/scripts/demo-*.sh; do
  echo
  echo "=== $(basename "$demo" .sh | sed 's/^demo-//')"
  bash "$demo"
done
echo
echo "demo output is in $VELL_DEMO_OUT"
