#!/usr/bin/python3
# The line protocol's seal and open written plainly in Python, one loop, as
# the peer that vell-seal's throughput is held against: json, base64 and the
# `cryptography` package, one answer written and flushed a request.
import base64, binascii, json, os, sys
from cryptography.exceptions import InvalidTag
from cryptography.hazmat.primitives.ciphers.aead import AESGCM

DID_NOT = "that didn\u2019t check out"


class Bad(Exception):
    pass


def unb64(value):
    if not isinstance(value, str):
        return None
    text = value.replace("-", "+").replace("_", "/")
    text += "=" * (-len(text) % 4)
    try:
        return base64.b64decode(text, validate=True)
    except (binascii.Error, ValueError):
        return None


def need(request, name):
    value = unb64(request.get(name))
    if value is None:
        raise Bad("missing " + name)
    return value


def text(request, name):
    value = request.get(name)
    return value.encode() if isinstance(value, str) else b""


def handle(request):
    op = request.get("op")
    if op == "ping":
        return {"ok": True, "v": 1}
    if op in ("seal", "open"):
        key = need(request, "key")
        if len(key) != 32:
            raise Bad("the key must be 32 bytes")
        data = need(request, "data")
        if op == "seal":
            nonce = os.urandom(12)
            return {"data": base64.b64encode(nonce + AESGCM(key).encrypt(nonce, data, text(request, "aad"))).decode()}
        if len(data) < 28:
            raise ValueError("short")
        return {"data": base64.b64encode(AESGCM(key).decrypt(data[:12], data[12:], text(request, "aad"))).decode()}
    raise Bad("unknown op")


def main():
    out = sys.stdout
    for line in sys.stdin.buffer:
        try:
            request = json.loads(line)
            if not isinstance(request, dict):
                raise ValueError
        except ValueError:
            answer = {"error": "not JSON"}
        else:
            try:
                answer = handle(request)
            except Bad as error:
                answer = {"error": str(error)}
            except (InvalidTag, ValueError, TypeError):
                answer = {"error": DID_NOT}
        out.write(json.dumps(answer, separators=(",", ":"), ensure_ascii=False) + "\n")
        out.flush()


main()
