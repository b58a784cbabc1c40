#!/bin/bash
# Throughput of vell-seal through its line protocol, beside OpenSSL's own
# figures measured in the same run: bench/seal/run.sh [BIN_DIR]
set -euo pipefail
bin=${1:-$(cd "$(dirname "$0")/../.." && pwd)/build/bin}
seal="$bin/vell-seal"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Request files: N identical requests each (the service keeps no state, so
# repetition measures the same work every time).
/usr/bin/python3 - "$work" <<'PY'
import base64, json, os, sys
work = sys.argv[1]
key = base64.b64encode(os.urandom(32)).decode()
pair = {"priv": "dwdtCnMYpX08FsFyUbJmRd9ML4frwJkqsXf7pR25LCo", "pub": "3p7bfXt9wbTTW2HC7OQ1Nz-DQ8hbeGdNrfx-FG-IK08"}
data = base64.b64encode(os.urandom(1024)).decode()
requests = {
    "ping": ({"op": "ping"}, 200000),
    "keypair": ({"op": "keypair"}, 50000),
    "agree": ({"op": "agree", "priv": pair["priv"], "peer": pair["pub"], "salt": "c2FsdA", "info": "bench"}, 50000),
    "seal": ({"op": "seal", "key": key, "data": data, "aad": "bench"}, 100000),
}
for name, (request, count) in requests.items():
    with open(f"{work}/{name}.jsonl", "w") as f:
        f.write((json.dumps(request) + "\n") * count)
with open(f"{work}/key", "w") as f:
    f.write(key)
PY
key=$(cat "$work/key")
# An open request needs a value sealed under the same key.
sealed=$(echo "{\"op\":\"seal\",\"key\":\"$key\",\"data\":\"$(head -c 1024 /dev/urandom | base64 -w0)\",\"aad\":\"bench\"}" | "$seal" | /usr/bin/python3 -c 'import json,sys; print(json.load(sys.stdin)["data"])')
/usr/bin/python3 -c "
import sys
line = '{\"op\":\"open\",\"key\":\"$key\",\"data\":\"$sealed\",\"aad\":\"bench\"}\n'
open('$work/open.jsonl','w').write(line * 100000)"

# Rates are per second of CPU time (user + system), as `openssl speed`
# counts its own figures: on a shared, loaded machine wall time would
# measure the neighbours.
cpu_seconds() {  # cpu_seconds OUTFILE COMMAND... < input
  local out=$1
  shift
  /usr/bin/time -f '%U %S' -o "$work/cpu" "$@" > "$out"
  awk '{print $1 + $2}' "$work/cpu"
}

rate() {  # rate FILE -> requests per CPU second
  local file=$1 count seconds
  count=$(wc -l < "$file")
  seconds=$(cpu_seconds "$work/answers" "$seal" < "$file")
  if grep -q error "$work/answers"; then echo "errors in answers for $file" >&2; exit 1; fi
  /usr/bin/python3 -c "print(round($count / max($seconds, 0.01)))"
}

echo "vell-seal requests per CPU second through the line protocol:"
declare -A rates
for op in ping keypair agree seal open; do
  rates[$op]=$(rate "$work/$op.jsonl")
  printf '  %-8s %8s /s\n' "$op" "${rates[$op]}"
done

echo
echo "OpenSSL on this machine, same run:"
x25519=$(openssl speed -seconds 3 ecdhx25519 2>/dev/null | awk '/X25519/ && /op\/s/ {next} /X25519/ {print $NF}' | tail -1)
printf '  X25519 derivations  %10.0f /s\n' "$x25519"
gcm=$(openssl speed -seconds 3 -bytes 16384 -evp aes-256-gcm 2>/dev/null | awk '/^(AES-256-GCM|aes-256-gcm)/ {print $2}' | tail -1)
gcm=${gcm%k}
gcm_mb=$(/usr/bin/python3 -c "print(round($gcm * 1000 / 1e6, 1))")
printf '  AES-256-GCM 16 KiB  %10s MB/s\n' "$gcm_mb"

echo
head -c $((256 << 20)) /dev/urandom > "$work/big"
start=$(date +%s.%N)
/usr/bin/time -f '%M %U %S' -o "$work/rss" "$seal" <<< "{\"op\":\"sealfile\",\"key\":\"$key\",\"in\":\"$work/big\",\"out\":\"$work/big.sealed\"}" > "$work/answers"
end=$(date +%s.%N)
grep -q '"ok":true' "$work/answers" || { cat "$work/answers"; exit 1; }
read -r rss_kb user system < "$work/rss"
# CPU time leaves out the disk's own time to flush the file (fsync).
sealfile_mb=$(/usr/bin/python3 -c "print(round(256 * 1.048576 / max($user + $system, 0.01), 1))")
wall_mb=$(/usr/bin/python3 -c "print(round(256 * 1.048576 / ($end - $start), 1))")
echo "sealfile of 256 MiB: $sealfile_mb MB per CPU second ($wall_mb MB/s wall, with fsync), peak memory $((rss_kb / 1024)) MiB"
# The floor of any sealing of a file: copying it through the page cache.
/usr/bin/time -f '%U %S' -o "$work/cpu" dd if="$work/big" of="$work/big.copy" bs=1M conv=fsync status=none
copy_mb=$(awk '{printf "%.1f", 256 * 1.048576 / ($1 + $2 > 0.01 ? $1 + $2 : 0.01)}' "$work/cpu")
echo "plain copy of the same file (dd bs=1M conv=fsync): $copy_mb MB per CPU second"

echo
echo "ratios (target):"
/usr/bin/python3 - <<PY
agree, x25519 = ${rates[agree]}, $x25519
sealfile, gcm = $sealfile_mb, $gcm_mb
rss = $rss_kb / 1024 / 256
print(f"  agree / raw X25519           {agree / x25519:5.2f}  (>= 0.60)")
print(f"  sealfile / raw AES-GCM       {sealfile / gcm:5.2f}  (>= 0.50)")
print(f"  sealfile / plain copy        {sealfile / $copy_mb:5.2f}")
print(f"  seal 1 KiB requests/s     {${rates[seal]}:8d}  (>= 50000)")
print(f"  sealfile peak / file size    {rss:5.2f}  (<= 2.2)")
PY
