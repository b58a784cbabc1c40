#!/usr/bin/python3
# Writes requests.jsonl: request lines of every kind (all operations, their
# failures, odd JSON, unicode and escapes), the same on every run. The
# answers beside it were recorded from the service before its reader and
# writer were rewritten: usage make_requests.py > requests.jsonl, then
# vell-seal < requests.jsonl > answers.jsonl with the binary to pin.
import base64, json, random, sys
from cryptography.hazmat.primitives.ciphers.aead import AESGCM

rng = random.Random(20240611)
def rbytes(n): return bytes(rng.getrandbits(8) for _ in range(n))
def b64(b): return base64.b64encode(b).decode()
def url(b): return base64.urlsafe_b64encode(b).decode().rstrip("=")
def line(obj): return json.dumps(obj, separators=(",", ":"))

out = []
def add(text): out.append(text)
def req(**members): add(line(members))

key = rbytes(32)
K = b64(key)
# RFC 7748 section 6.1
alice = "dwdtCnMYpX08FsFyUbJmRd9ML4frwJkqsXf7pR25LCo"
bobPub = "3p7bfXt9wbTTW2HC7OQ1Nz-DQ8hbeGdNrfx-FG-IK08"

# Lines that are not one JSON object, or barely are.
for text in ["", " ", "\t", "[1,2]", "42", "\"ping\"", "null", "true", "{", "}", "{}", " {} ",
             "{\"op\":\"ping\"} x", "{\"op\":\"ping\"}{}", "{'op':'ping'}", "{\"op\":\"ping\",}",
             "{,}", "{\"op\" \"ping\"}", "{\"op\":tru}", "{\"a\":01,\"op\":\"ping\"}",
             "{\"a\":1.,\"op\":\"ping\"}", "{\"a\":.5,\"op\":\"ping\"}", "{\"a\":+1,\"op\":\"ping\"}",
             "{\"a\":[1,],\"op\":\"ping\"}", "{\"a\":{\"b\"},\"op\":\"ping\"}",
             "{\"op\":\"ping\",\"a\":\"\\x41\"}", "{\"op\":\"ping\",\"a\":\"\\u12\"}",
             "{\"op\":\"ping\",\"a\":\"\\ud83d\"}", "{\"op\":\"ping\",\"a\":\"\\ude00\"}",
             "{\"op\":\"ping\",\"a\":\"\\ud83d\\u0041\"}",
             "{\"op\":\"ping\",\"a\":-}", "{\"op\":\"ping\",\"a\":1e}", "{\"op\":\"ping\",\"a\":1e+}",
             "{\"op\":\"ping\",\"a\":-01}", "{\"op\":\"ping\",\"a\":NaN}", "{\"op\":\"ping\",\"a\":Infinity}",
             "{\"op\":\"ping\"\"a\":1}", "{\"op\":\"ping\",\"a\"}", "{\"op\":\"ping\",\"a\":}",
             "{\"op\":\"ping\"} \x0b", "\x0c{\"op\":\"ping\"}", "{\"op\":\"ping\"}\r"]:
    add(text)
# Invalid UTF-8 and raw control bytes (written as bytes, below).
raw = [b"\xff\xfe", b"{\"op\":\"p\xffing\"}", b"{\"op\":\"ping\",\"a\":\"\xc0\xaf\"}",
       b"{\"op\":\"ping\",\"a\":\"\xed\xa0\x80\"}", b"{\"op\":\"ping\",\"a\":\"\xf4\x90\x80\x80\"}",
       b"{\"op\":\"ping\",\"a\":\"\xe2\x80\"}", b"{\"op\":\"ping\",\"a\":\"\xe2\x80\x99\"}",
       b"{\"op\":\"ping\",\"a\":\"\xf0\x9f\x98\x80\"}", b"{\"op\":\"ping\",\"a\":\"tab\there\"}",
       b"{\"op\":\"ping\",\"a\":\"\x7f\"}", b"{\"op\":\"ping\",\"a\":\"nul\x00\"}", b"\x00",
       b"\xef\xbb\xbf{\"op\":\"ping\"}", b"\xef\xbb{\"op\":\"ping\"}",
       b"{\"op\":\"ping\",\"\xc3\xa9\":\"\xc3\xa9\"}"]

# Dispatch and ping.
for text in ["{\"op\":\"ping\"}", "  {\"op\":\"ping\"}  ", "{ \"op\" : \"ping\" }", "{\"op\":\"PING\"}",
             "{\"op\":5}", "{\"op\":null}", "{\"op\":\"ping \"}", "{\"op\":[\"ping\"]}",
             "{\"\\u006fp\":\"ping\"}", "{\"op\":\"p\\u0069ng\"}", "{\"op\":\"keypair\",\"op\":\"ping\"}",
             "{\"op\":\"ping\",\"x\":{\"a\":[1,{\"b\":null}],\"c\":\"\\u00e9\"}}",
             "{\"op\":\"ping\",\"n\":[1,-0.5e+3,1E-400,0,-0,123456789012345678901234567890]}",
             "{\"op\":\"ping\",\"a\":1e400}", "{\"op\":\"ping\",\"a\":-1e400}",
             "{\"op\":\"ping\",\"a\":" + "9" * 400 + "}",
             "{\"op\":\"ping\",\"x\":" + "[" * 5000 + "]" * 5000 + "}",
             "{\"op\":\"ping\",\"x\":" + "[" * 5000 + "}",
             "{\"op\":\"ping\",\"pad\":\"" + "a" * 20000 + "\"}",
             "{\"op\":\"ping\",\"s\":\"\\\"\\\\\\/\\b\\f\\n\\r\\t\"}",
             "{\"op\":\"sealfile\\u0000\"}", "{\"op\":\"\"}", "{\"op\":\"unknown\"}",
             "{\"op\":true}", "{\"op\":{}}"]:
    add(text)

# keypair (random answers: only their form is compared).
req(op="keypair")
req(op="keypair", priv=alice)

# agree.
req(op="agree", priv=alice, peer=bobPub, raw=True)
req(op="agree", priv=alice, peer=bobPub)
req(op="agree", priv=alice, peer=bobPub, raw=False)
req(op="agree", priv=alice, peer=bobPub, raw="true")
req(op="agree", priv=alice, peer=bobPub, raw=1)
req(op="agree", priv=alice, peer=bobPub, salt="c2FsdA", info="vell v1")
req(op="agree", priv=alice, peer=bobPub, salt="c2FsdA==", info="vell v1")
req(op="agree", priv=alice, peer=bobPub, salt="!!", info="vell v1")
req(op="agree", priv=alice, peer=bobPub, salt=5, info="vell v1")
req(op="agree", priv=alice, peer=bobPub, salt="", info="")
req(op="agree", priv=alice, peer=bobPub, info=7)
req(op="agree", priv=alice, peer=bobPub, info="caf\u00e9 \u2019 \U0001F600 \n\t\"\\/ \u0000 end")
req(op="agree", priv=alice, peer=bobPub, salt=url(rbytes(100)), info="x" * 1000)
req(op="agree", priv=alice, peer=bobPub, info="i" * 2048)
req(op="agree", priv=alice, peer=bobPub, info="i" * 2049)
req(op="agree", priv=alice, peer=bobPub, info="\u00e9" * 1024)
req(op="agree", priv=alice, peer=bobPub, info="\u00e9" * 1025)
req(op="agree", priv=b64(base64.urlsafe_b64decode(alice + "=")), peer=bobPub, raw=True)
add("{\"op\":\"agree\",\"priv\":\"" + alice.replace("d", "\\u0064") + "\",\"peer\":\"" + bobPub + "\",\"raw\":true}")
req(op="agree", peer=bobPub)
req(op="agree", priv=alice)
req(op="agree", priv=alice, peer="a b")
req(op="agree", priv=b64(rbytes(31)))
req(op="agree", priv=b64(rbytes(33)), peer=bobPub)
req(op="agree", priv=alice, peer=b64(rbytes(31)))
req(op="agree", priv=alice, peer=b64(bytes(32)))
req(op="agree", priv=alice, peer=b64(bytes([1] + [0] * 31)))
req(op="agree", priv=alice, peer=bobPub + "=")
req(op="agree", priv=alice + "\n", peer=bobPub)
req(op="agree", priv=alice, peer=bobPub, raw=True, op2="x")

# Base64 members: alphabets, padding and strictness, through "open".
def sealed(plain, aad=b"", k=key):
    nonce = rbytes(12)
    return nonce + AESGCM(k).encrypt(nonce, plain, aad)

for plain in [b"", b"f", b"fo", b"foo", b"\xfb\xff\xfe", rbytes(100), rbytes(1024), rbytes(4096)]:
    value = sealed(plain, b"ctx")
    req(op="open", key=K, data=b64(value), aad="ctx")
    req(op="open", key=K, data=url(value), aad="ctx")
    req(op="open", key=url(key), data=b64(value).rstrip("="), aad="ctx")
value = sealed(b"hello", b"")
for data in [b64(value), b64(value) + "=", b64(value)[:-1], b64(value) + "A", b64(value).replace("A", " ", 1),
             b64(value) + "\n", " " + b64(value), b64(value)[:8] + "=" + b64(value)[9:], "====", "=", "",
             "A", "AA", "AAA", "AAAA", "Zh==", "Zm9vYg=", "Zm9vYg"]:
    req(op="open", key=K, data=data)
    req(op="open", key=K, data=data, aad="")
for k in [b64(key)[:-1], b64(key) + "=", b64(key) + "==", url(key) + "==", b64(key).replace("=", ""),
          b64(key)[:-2] + "Bg", b64(rbytes(16)), b64(rbytes(31)), b64(rbytes(33)), "", "!", 5, None, True]:
    req(op="open", key=k, data=b64(value))
    req(op="seal", key=k)
# Escapes inside base64 values: the escaped solidus and \u forms decode first.
escaped = b64(value).replace("/", "\\/").replace("A", "\\u0041")
add("{\"op\":\"open\",\"key\":\"" + K + "\",\"data\":\"" + escaped + "\"}")
add("{\"op\":\"open\",\"key\":\"" + K + "\",\"data\":\"" + b64(value) + "\\u00e9\"}")
add("{\"op\":\"open\",\"key\":\"" + K + "\",\"data\":\"" + b64(value) + "\\n\"}")

# open: failures.
value = sealed(b"secret", b"right")
req(op="open", key=K, data=b64(value), aad="right")
req(op="open", key=K, data=b64(value), aad="wrong")
req(op="open", key=K, data=b64(value))
req(op="open", key=K, data=b64(value), aad=5)
req(op="open", key=b64(rbytes(32)), data=b64(value), aad="right")
for i in [0, 11, 12, 17, 18, len(value) - 1]:
    altered = bytearray(value); altered[i] ^= 0x40
    req(op="open", key=K, data=b64(bytes(altered)), aad="right")
req(op="open", key=K, data=b64(value[:27]))
req(op="open", key=K, data=b64(value[:28]))
req(op="open", key=K, data=b64(sealed(b"", b"")))
req(op="open", key=K)
req(op="open", data=b64(value))
value = sealed("caf\u00e9 \U0001F600".encode(), "\u00e9\u2019\U0001F600\n\"\\\u0000".encode())
req(op="open", key=K, data=b64(value), aad="\u00e9\u2019\U0001F600\n\"\\\u0000")
add("{\"op\":\"open\",\"key\":\"" + K + "\",\"data\":\"" + b64(value) +
    "\",\"aad\":\"\\u00e9\\u2019\\ud83d\\ude00\\n\\\"\\\\\\u0000\"}")
value = sealed(b"dup", b"")
add("{\"op\":\"open\",\"data\":\"AAAA\",\"key\":\"" + K + "\",\"data\":\"" + b64(value) + "\"}")
add("{\"op\":\"open\",\"key\":\"AAAA\",\"key\":\"" + K + "\",\"data\":\"" + b64(value) + "\",\"aad\":\"x\",\"aad\":null}")

# seal (random nonces: only their form is compared).
for plain in [b"", b"x", rbytes(1024), rbytes(5000)]:
    req(op="seal", key=K, data=b64(plain))
    req(op="seal", key=K, data=url(plain), aad="a\u00e9")
req(op="seal", key=K)
req(op="seal", data="Zm9v")
req(op="seal", key=K, data="Zm9v!")
req(op="seal", key=K, data=5)

# sealfile: the failures that need no files.
req(op="sealfile", key=K)
req(op="sealfile", key=K, **{"in": "/nonexistent/vell-seal-in"})
req(op="sealfile", key=K, out="/nonexistent/vell-seal-out")
req(op="sealfile", key=K, **{"in": "/nonexistent/vell-seal-in", "out": "/nonexistent/vell-seal-out"})
req(op="sealfile", key=K, **{"in": "/nonexistent/vell-seal-in", "out": 5})
req(op="sealfile", key=K, **{"in": ["/x"], "out": "/nonexistent/vell-seal-out"})
req(op="sealfile", key=b64(rbytes(16)), **{"in": "/nonexistent/a", "out": "/nonexistent/b"})
req(op="sealfile", **{"in": "/nonexistent/a", "out": "/nonexistent/b"})
req(op="sealfile", key="!!", **{"in": "/nonexistent/a", "out": "/nonexistent/b"})
req(op="sealfile", key=K, **{"in": "/", "out": "/nonexistent/b"})

sys.stdout.buffer.write(b"".join(t.encode() + b"\n" for t in out) + b"".join(r + b"\n" for r in raw))
