#!/bin/bash
# vell-seal's main jobs: the self-test, then one conversation through the line
# protocol: two parties agree on a key, one seals a message and a file, the
# other opens them, and a tampered value is refused.
set -euo pipefail
bin=${VELL_BIN:?VELL_BIN is the programs folder}
out=${VELL_DEMO_OUT:?VELL_DEMO_OUT is the demo output folder}

echo "\$ vell-seal selftest"
"$bin/vell-seal" selftest

# One request line in, one answer line out; the service keeps no state, so
# every exchange may start its own process. The exchange is shown on fd 3
# (the terminal) while the answer goes to the caller.
exec 3>&1
ask() {
  echo "  > $1" >&3
  local answer
  answer=$(printf '%s\n' "$1" | "$bin/vell-seal")
  echo "  < $answer" >&3
  echo "$answer"
}
field() { python3 -c 'import json,sys; print(json.loads(sys.argv[1])[sys.argv[2]])' "$1" "$2"; }

echo "key pairs of Alice and Bob:"
alice=$(ask '{"op":"keypair"}')
bob=$(ask '{"op":"keypair"}')
echo "each agrees on a key from their own private key and the other's public key:"
salt=$(printf 'demo salt' | base64)
agree='{"op":"agree","priv":"%s","peer":"%s","salt":"'$salt'","info":"vell demo"}'
key_alice=$(field "$(ask "$(printf "$agree" "$(field "$alice" priv)" "$(field "$bob" pub)")")" key)
key_bob=$(field "$(ask "$(printf "$agree" "$(field "$bob" priv)" "$(field "$alice" pub)")")" key)
if [ "$key_alice" = "$key_bob" ]; then echo "  the same key on both sides"; else
  echo "  the keys differ" >&2; exit 1; fi

message=$(printf 'Meet me at the station at nine.' | base64 -w0)
echo "Alice seals a message under the key, with \"aad\" naming its purpose:"
sealed=$(field "$(ask '{"op":"seal","key":"'$key_alice'","data":"'$message'","aad":"note"}')" data)
echo "Bob opens it:"
opened=$(field "$(ask '{"op":"open","key":"'$key_bob'","data":"'$sealed'","aad":"note"}')" data)
echo "  plaintext: $(echo "$opened" | base64 -d)"
echo "the same value with another \"aad\" does not open:"
ask '{"op":"open","key":"'$key_bob'","data":"'$sealed'","aad":"other"}' >/dev/null

plain="$out/seal-letter.txt"
printf 'Dear Bob,\nthe whole file, sealed in one request.\n' > "$plain"
echo "Alice seals a file of $(stat -c %s "$plain") bytes:"
ask '{"op":"sealfile","key":"'$key_alice'","in":"'$plain'","out":"'$out/seal-letter.sealed'"}' >/dev/null
echo "Bob opens the sealed file as a value:"
opened=$(field "$(ask '{"op":"open","key":"'$key_bob'","data":"'"$(base64 -w0 "$out/seal-letter.sealed")"'"}')" data)
echo "$opened" | base64 -d | sed 's/^/    /'

echo "one process answers every line in order, garbage included:"
lines=('{"op":"ping"}' 'not a request' '{"op":"seal","key":"c2hvcnQ"}')
printf '  > %s\n' "${lines[@]}"
printf '%s\n' "${lines[@]}" | "$bin/vell-seal" | sed 's/^/  < /'
