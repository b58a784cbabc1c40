#!/bin/bash
# vell-seal's throughput through its line protocol beside the same protocol
# in Python and the in-memory floor (base64 and AES-256-GCM alone), then its
# other operations beside OpenSSL's own figures, all in one run:
#   bench/seal/run.sh [BUILD_DIR]
# The Python peer needs Debian's python3-cryptography.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
cmake --build "$build" --target vell-seal seal_limit_bench >/dev/null
seal="$build/bin/vell-seal"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 "$here/bench.py" "$seal" "$build/bench/seal/seal_limit_bench" "$work"
echo
"$here/others.sh" "$seal" "$work"
