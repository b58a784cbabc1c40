#!/bin/bash
# Installs what the suite needs on Debian 12: packages, then models and sample
# pictures (cached outside the clone). Idempotent and quick when all is there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

sudo_if_needed() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
while read -r package command; do
  [ -z "$package" ] || [ "${package:0:1}" = '#' ] && continue
  [ -n "$command" ] && command -v "$command" >/dev/null && continue
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$package")
done < "$here/packages.txt"
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo_if_needed apt-get update -qq
  sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

for step in samples onnxruntime models; do
  if [ -x "$here/$step.sh" ]; then
    "$here/$step.sh"
  fi
done
