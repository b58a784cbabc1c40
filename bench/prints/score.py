#!/usr/bin/python3
"""Scores the feature prints of vell-bench-prints beside ImageMagick's
perceptual hash: for each edited copy, is the nearest original (of all the
photos) its own? And how far apart are the closest two different photos,
against how far a copy lies from its original?

    score.py TRUTH PRINTS.jsonl

The prints compare by cosine distance (only their direction is kept: the
analyser scales each to a largest magnitude of 127); the perceptual hashes
by the sum of squared differences of their 42 moments, as
`compare -metric phash` does. The hashes come from `identify -verbose
-moments` on the same pixels the prints were made from.
"""
import json
import math
import re
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

SPLITS = ("tuning", "heldout")


def phash(path):
    text = subprocess.run(["identify", "-verbose", "-moments", path], capture_output=True,
                          text=True, check=True).stdout
    part = text[text.index("Channel perceptual hash"):]
    values = [float(v) for pair in re.findall(r"PH\d: ([-\d.e+]+), ([-\d.e+]+)", part) for v in pair]
    return values[:42]


def cosine(a, b):
    dot = sum(x * y for x, y in zip(a, b))
    na = math.sqrt(sum(x * x for x in a)) or 1.0
    nb = math.sqrt(sum(y * y for y in b)) or 1.0
    return 1.0 - dot / (na * nb)


def squared(a, b):
    return sum((x - y) ** 2 for x, y in zip(a, b))


def evaluate(rows, vector, distance, split_of):
    originals = {r["key"]: vector(r) for r in rows if r["edit"] == "original"}
    keys = sorted(originals)
    out = {}
    for split in SPLITS + ("all",):
        hits = total = 0
        by_edit = {}
        own = []
        for r in rows:
            if r["edit"] == "original" or (split != "all" and split_of[r["key"]] != split):
                continue
            v = vector(r)
            nearest = min(keys, key=lambda k: distance(v, originals[k]))
            hit = nearest == r["key"]
            hits += hit
            total += 1
            e = by_edit.setdefault(r["edit"], [0, 0])
            e[0] += hit
            e[1] += 1
            own.append(distance(v, originals[r["key"]]))
        nearest_other = []
        for k in keys:
            if split != "all" and split_of[k] != split:
                continue
            nearest_other.append(min(distance(originals[k], originals[o]) for o in keys if o != k))
        own.sort()
        nearest_other.sort()
        out[split] = {
            "recall": (hits, total),
            "edits": by_edit,
            "own median": own[len(own) // 2] if own else 0,
            "own 95%": own[int(len(own) * 0.95)] if own else 0,
            "closest different": nearest_other[0] if nearest_other else 0,
            "different 5%": nearest_other[len(nearest_other) // 20] if nearest_other else 0,
        }
    return out


def main():
    truth = {p["key"]: p["split"] for p in json.load(open(sys.argv[1]))["photos"]}
    rows = [json.loads(line) for line in open(sys.argv[2]) if line.strip()]
    rows = [r for r in rows if r["key"] in truth]
    with ThreadPoolExecutor(2) as pool:
        for r, h in zip(rows, pool.map(phash, [r["file"] for r in rows])):
            r["phash"] = h
    ours = evaluate(rows, lambda r: r["print"], cosine, truth)
    peer = evaluate(rows, lambda r: r["phash"], squared, truth)
    photos = len({r["key"] for r in rows})
    print("%d photos, %d edited copies" % (photos, sum(1 for r in rows if r["edit"] != "original")))
    print("%-36s %-24s %-24s %s" % ("", "tuning", "held-out", "all"))

    def ratio(p):
        h, t = p
        return "%.3f (%d/%d)" % (h / t, h, t) if t else "-"

    for name, res in (("feature print", ours), ("perceptual hash (ImageMagick)", peer)):
        print("%-36s %-24s %-24s %s" % (name + ", recall at 1", *(ratio(res[s]["recall"]) for s in SPLITS + ("all",))))
        for edit in sorted(res["all"]["edits"]):
            print("%-36s %-24s %-24s %s" % ("  " + edit, *(ratio(res[s]["edits"].get(edit, (0, 0))) for s in SPLITS + ("all",))))
        for label, field in (("  copy to its original, median", "own median"), ("  copy to its original, 95th pct", "own 95%"),
                             ("  closest two different photos", "closest different"), ("  different photos, 5th pct", "different 5%")):
            print("%-36s %-24s %-24s %s" % (label, *("%.4g" % res[s][field] for s in SPLITS + ("all",))))


if __name__ == "__main__":
    main()
