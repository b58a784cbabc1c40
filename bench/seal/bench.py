#!/usr/bin/python3
# vell-seal through its line protocol beside the same protocol in Python,
# and the in-memory floor under both, in one run:
#   bench.py VELL_SEAL LIMIT_BENCH WORK_DIR
# Rates are requests per CPU second (user + system) of the serving process,
# best of three runs, reading a file of requests and answering into a file.
# The figures in brackets are wall-clock rates of the same best runs.
import base64, json, os, re, resource, subprocess, sys, time
from cryptography.hazmat.primitives.ciphers.aead import AESGCM

seal_bin, limit_bin, work = sys.argv[1:4]
peer = [sys.executable, os.path.join(os.path.dirname(os.path.abspath(__file__)), "peer.py")]
key = os.urandom(32)
K = base64.b64encode(key).decode()
SIZES = {1024: 20000, 65536: 2000}


def write_requests(name, lines):
    path = os.path.join(work, name + ".jsonl")
    with open(path, "w") as f:
        f.writelines(line + "\n" for line in lines)
    return path, len(lines)


def compact(obj):
    return json.dumps(obj, separators=(",", ":"))


files = {}
for size, count in SIZES.items():
    # Distinct plaintexts, as real traffic has; a few hundred, repeated.
    plain = [os.urandom(size) for _ in range(min(count, 200))]
    files[("seal", size)] = write_requests(f"seal{size}", [
        compact({"op": "seal", "key": K, "data": base64.b64encode(plain[i % len(plain)]).decode(), "aad": "bench"})
        for i in range(count)])
    sealed = []
    for p in plain:
        nonce = os.urandom(12)
        sealed.append(base64.b64encode(nonce + AESGCM(key).encrypt(nonce, p, b"bench")).decode())
    files[("open", size)] = write_requests(f"open{size}", [
        compact({"op": "open", "key": K, "data": sealed[i % len(sealed)], "aad": "bench"})
        for i in range(count)])


def run(command, stdin_path, stdout_path):
    """CPU and wall seconds of one run of `command`."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    with open(stdin_path, "rb") as i, open(stdout_path, "wb") as o:
        status = subprocess.run(command, stdin=i, stdout=o).returncode
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    if status != 0:
        sys.exit(f"{command[0]} exited with {status}")
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return cpu, wall


def best(command, stdin_path, stdout_path, runs=3):
    results = [run(command, stdin_path, stdout_path) for _ in range(runs)]
    return min(results)


def answers(path):
    with open(path, "rb") as f:
        return f.read().split(b"\n")[:-1]


print("Requests per CPU second through the line protocol, from a file into a file")
print("(wall-clock rate in brackets); the Python peer is bench/seal/peer.py:")
print(f"  {'':14} {'vell-seal':>22} {'Python':>22} {'ratio':>7}")
rates = {}
for (op, size), (path, count) in files.items():
    ours_out = os.path.join(work, "ours.out")
    theirs_out = os.path.join(work, "theirs.out")
    ours = best([seal_bin], path, ours_out)
    theirs = best(peer, path, theirs_out)
    a, b = answers(ours_out), answers(theirs_out)
    if len(a) != count or len(b) != count or any(b"error" in line for line in a[:10] + b[:10]):
        sys.exit(f"bad answers for {op} {size}")
    # Opens are the same bytes from both; seals differ only in their nonces.
    if op == "open" and a != b:
        sys.exit(f"vell-seal and the Python peer disagree on {op} {size}")
    if op == "seal" and [len(x) for x in a] != [len(x) for x in b]:
        sys.exit(f"vell-seal and the Python peer disagree on the length of {op} {size}")
    rates[(op, size)] = (count / ours[0], count / theirs[0])
    label = f"{op} {size // 1024} KiB"
    print(f"  {label:14} {count / ours[0]:10.0f} ({count / ours[1]:8.0f}) "
          f"{count / theirs[0]:10.0f} ({count / theirs[1]:8.0f}) {theirs[0] / ours[0]:7.2f}")

# The floor of moving the same bytes at all: copying the request file into
# a file, as the service reads it and writes answers of about its size.
print()
print("The same sizes without the line protocol, same run, operations per CPU second:")
limit = {}
out = subprocess.run([limit_bin] + [str(s) for s in SIZES], capture_output=True, text=True, check=True).stdout
for line in out.splitlines():
    what, size, rate = line.split()
    limit[(what, int(size))] = float(rate)
openssl = {}
for size in SIZES:
    text = subprocess.run(["openssl", "speed", "-seconds", "2", "-bytes", str(size), "-evp", "aes-256-gcm"],
                          capture_output=True, text=True).stdout
    m = re.search(r"^aes-256-gcm\s+([\d.]+)k", text, re.M | re.I)
    openssl[size] = float(m.group(1)) * 1000 / size if m else float("nan")
copy = {}
for size, count in SIZES.items():
    path = files[("seal", size)][0]
    cpu, _ = best(["cat"], path, os.path.join(work, "copy.out"))
    copy[size] = count / cpu
print(f"  {'':44} {'1 KiB':>10} {'64 KiB':>10}")
rows = [("AES-256-GCM alone (openssl speed -evp)", [openssl[s] for s in SIZES]),
        ("AES-256-GCM alone (the platform layer)", [limit[("gcm", s)] for s in SIZES]),
        ("seal: base64 in, AES-256-GCM, base64 out", [limit[("seal", s)] for s in SIZES]),
        ("open: base64 in, AES-256-GCM, base64 out", [limit[("open", s)] for s in SIZES]),
        ("copying the seal requests into a file (cat)", [copy[s] for s in SIZES])]
for label, values in rows:
    print(f"  {label:44} " + " ".join(f"{v:10.0f}" for v in values))

print()
print("Against the targets:")
s1, p1 = rates[("seal", 1024)]
print(f"  seal 1 KiB: {s1 / p1:5.2f} x the Python peer (target >= 5)")
print(f"  seal 1 KiB: {limit[('seal', 1024)] / s1:5.2f} x the time of base64 + AES-GCM alone (target <= 4)")
s64 = rates[("seal", 65536)][0]
print(f"  seal 64 KiB: {s64 / limit[('seal', 65536)]:5.2f} x the speed of base64 + AES-GCM alone (target >= 0.8)")
floor = 1 / (1 / limit[("seal", 65536)] + 1 / copy[65536])
print(f"  seal 64 KiB: {s64 / floor:5.2f} x the speed of base64 + AES-GCM plus the file copy alone")
o64 = rates[("open", 65536)][0]
print(f"  open 64 KiB: {o64 / limit[('open', 65536)]:5.2f} x the speed of base64 + AES-GCM alone")
