#!/bin/bash
# Builds the programs and runs each one's demo on the bundled sample data.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
# Only the programs the demo runs; the test command builds the tests and
# benchmarks in the same tree.
cmake -S "$root" -B "$root/build" -G Ninja >/dev/null
programs=()
for demo in "$root"/scripts/demo-*.sh; do
  programs+=("vell-$(basename "$demo" .sh | sed 's/^demo-//')")
done
cmake --build "$root/build" --target "${programs[@]}"
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
