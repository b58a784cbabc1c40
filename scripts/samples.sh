#!/bin/bash
# Extracts the sample pictures, clips and calendars into $cache/samples by
# running each scripts/samples/*.sh. Idempotent.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for step in "$here"/samples/*.sh; do
  [ -e "$step" ] || continue
  bash "$step"
done
