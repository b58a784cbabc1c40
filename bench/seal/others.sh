#!/bin/bash
# vell-seal's other operations beside OpenSSL's own figures, same run:
#   others.sh VELL_SEAL WORK_DIR
set -euo pipefail
seal=$1
work=$2

/usr/bin/python3 - "$work" <<'PY'
import json, sys
work = sys.argv[1]
pair = {"priv": "dwdtCnMYpX08FsFyUbJmRd9ML4frwJkqsXf7pR25LCo", "pub": "3p7bfXt9wbTTW2HC7OQ1Nz-DQ8hbeGdNrfx-FG-IK08"}
requests = {
    "ping": ({"op": "ping"}, 200000),
    "keypair": ({"op": "keypair"}, 50000),
    "agree": ({"op": "agree", "priv": pair["priv"], "peer": pair["pub"], "salt": "c2FsdA", "info": "bench"}, 50000),
}
for name, (request, count) in requests.items():
    with open(f"{work}/{name}.jsonl", "w") as f:
        f.write((json.dumps(request) + "\n") * count)
PY

# Per second of CPU time (user + system), as `openssl speed` counts.
rate() {  # rate FILE -> requests per CPU second
  local file=$1 count
  count=$(wc -l < "$file")
  /usr/bin/time -f '%U %S' -o "$work/cpu" "$seal" < "$file" > "$work/answers"
  if grep -q error "$work/answers"; then echo "errors in answers for $file" >&2; exit 1; fi
  awk -v n="$count" '{s = $1 + $2; print int(n / (s > 0.01 ? s : 0.01))}' "$work/cpu"
}

echo "Other operations, requests per CPU second through the line protocol:"
declare -A rates
for op in ping keypair agree; do
  rates[$op]=$(rate "$work/$op.jsonl")
  printf '  %-8s %8s /s\n' "$op" "${rates[$op]}"
done
x25519=$(openssl speed -seconds 2 ecdhx25519 2>/dev/null | awk '/X25519/ && /op\/s/ {next} /X25519/ {print $NF}' | tail -1)
printf '  X25519 derivations in OpenSSL alone: %.0f /s (agree: %.2f of it)\n' "$x25519" \
  "$(/usr/bin/python3 -c "print(${rates[agree]} / $x25519)")"

key=AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA
head -c $((256 << 20)) /dev/urandom > "$work/big"
start=$(date +%s.%N)
/usr/bin/time -f '%M %U %S' -o "$work/rss" "$seal" <<< "{\"op\":\"sealfile\",\"key\":\"$key\",\"in\":\"$work/big\",\"out\":\"$work/big.sealed\"}" > "$work/answers"
end=$(date +%s.%N)
grep -q '"ok":true' "$work/answers" || { cat "$work/answers"; exit 1; }
read -r rss_kb user system < "$work/rss"
# CPU time leaves out the disk's own time to flush the file (fsync).
sealfile_mb=$(/usr/bin/python3 -c "print(round(256 * 1.048576 / max($user + $system, 0.01), 1))")
wall_mb=$(/usr/bin/python3 -c "print(round(256 * 1.048576 / ($end - $start), 1))")
/usr/bin/time -f '%U %S' -o "$work/cpu" dd if="$work/big" of="$work/big.copy" bs=1M conv=fsync status=none
copy_mb=$(awk '{printf "%.1f", 256 * 1.048576 / ($1 + $2 > 0.01 ? $1 + $2 : 0.01)}' "$work/cpu")
echo "sealfile of 256 MiB: $sealfile_mb MB per CPU second ($wall_mb MB/s wall, with fsync),"
echo "  peak memory $((rss_kb / 1024)) MiB; a plain copy (dd bs=1M conv=fsync): $copy_mb MB per CPU second"
