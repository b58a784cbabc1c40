#!/usr/bin/python3
"""Scores what vell-bench-quality saw against truth.json and writes the page
a person looks at.

    score.py TRUTH RESULTS OUT_DIR

RESULTS holds one JSON object a photo (vell-bench-quality's output); OUT_DIR
receives index.html, which shows photos/<key>.jpg (made by run.sh) with the
boxes, lines and labels against the truth. The figures go to standard output,
for the tuning photos, the held-out ones and all.
"""
import html
import json
import os
import sys
import unicodedata
from collections import Counter

SPLITS = ("tuning", "heldout")


def text_group(photo):
    """Where a photo's demanded writing is counted: documents (pages,
    receipts, forms, labels on products) apart from signs."""
    if photo["text"] not in ("sign", "page"):
        return photo["text"]
    return "document" if "document" in photo.get("groups", []) or photo["text"] == "page" else "sign"
COCO_ANIMALS = {"bird", "cat", "dog", "horse", "sheep", "cow", "elephant", "bear", "zebra", "giraffe"}


def normalise(word):
    return "".join(c for c in unicodedata.normalize("NFKC", word).lower() if c.isalnum())


def tokens(text):
    return [t for t in (normalise(w) for w in text.split()) if t]


def in_range(value, truth):
    low, high = (truth, truth) if isinstance(truth, int) else truth
    return low <= value <= high


def iou(a, b):
    ax2, ay2, bx2, by2 = a[0] + a[2], a[1] + a[3], b[0] + b[2], b[1] + b[3]
    w = max(0.0, min(ax2, bx2) - max(a[0], b[0]))
    h = max(0.0, min(ay2, by2) - max(a[1], b[1]))
    inter = w * h
    union = a[2] * a[3] + b[2] * b[3] - inter
    return inter / union if union > 0 else 0.0


def inside(point, box):
    return box[0] <= point[0] <= box[0] + box[2] and box[1] <= point[1] <= box[1] + box[3]


def centre(box):
    return (box[0] + box[2] / 2, box[1] + box[3] / 2)


def same_face(found, true):
    # Truth boxes are rough: a clear overlap, or each box holding the other's
    # centre, is the same face.
    return iou(found, true) >= 0.3 or (inside(centre(found), true) and inside(centre(true), found))


def match_faces(found, photo):
    """Each found box is "hit" (a true face), "free" (an optional face or
    region) or "false"; returns the kinds and the number of true faces hit."""
    truth = photo.get("faces", [])
    optional = photo.get("optionalFaces", [])
    regions = photo.get("optionalFaceRegions", [])
    taken = [False] * len(truth)
    kinds = []
    for box in found:
        kind = "false"
        for i, t in enumerate(truth):
            if not taken[i] and same_face(box, t):
                taken[i], kind = True, "hit"
                break
        if kind == "false" and (any(same_face(box, o) for o in optional)
                                or any(inside(centre(box), r) for r in regions)):
            kind = "free"
        kinds.append(kind)
    return kinds, sum(taken)


def kept(lines):
    """The recognised lines the analyser keeps: trimmed, 2 to 80 characters."""
    out = []
    for line in lines:
        text = line["text"].strip()
        if 2 <= len(text) <= 80:
            out.append(dict(line, text=text))
    return out


def read_words(photo, texts):
    """Returns (true words, words read) of the photo's demanded lines."""
    available = Counter(t for text in texts for t in tokens(text))
    total = found = 0
    for line in photo.get("lines", []):
        words = tokens(line)
        total += len(words)
        i = 0
        while i < len(words):
            if available[words[i]] > 0:
                available[words[i]] -= 1
                found, i = found + 1, i + 1
                continue
            # Two or three words read as one ("NOPARKING") still read them.
            for n in (2, 3):
                joined = "".join(words[i:i + n])
                if i + n <= len(words) and available[joined] > 0:
                    available[joined] -= 1
                    found, i = found + n, i + n
                    break
            else:
                i += 1
    return total, found


def truth_words(photo):
    words = set()
    for line in photo.get("lines", []) + photo.get("otherText", []):
        ws = tokens(line)
        words.update(ws)
        words.update(a + b for a, b in zip(ws, ws[1:]))
    return words


def junk(photo, texts):
    """Lines a person would call wrong: any line on a photo without writing,
    a line sharing no word with the writing elsewhere; nothing is judged on
    photos with only incidental writing."""
    if photo["text"] == "incidental" or photo.get("moreText"):
        return []
    if photo["text"] == "none":
        return list(texts)
    words = truth_words(photo)
    return [t for t in texts if not any(len(w) >= 2 and w in words for w in tokens(t))]


def judge_labels(photo, labels):
    truth = photo["labels"]
    verdicts = []
    for name in labels:
        if name in truth["right"]:
            verdicts.append("right")
        elif name in truth["maybe"]:
            verdicts.append("maybe")
        elif name in truth["wrong"]:
            verdicts.append("wrong")
        else:
            verdicts.append("unlisted")
    return verdicts


class Tally:
    def __init__(self):
        self.c = Counter()
        self.ms = []
        self.cpu = []
        self.peer_ms = []

    def ratio(self, a, b):
        return "%.3f (%d/%d)" % (self.c[a] / self.c[b], self.c[a], self.c[b]) if self.c[b] else "-"


def score_photo(photo, seen, tally, notes):
    record = seen["record"]
    c = tally.c
    # Faces.
    found = [f["box"] for f in seen["faces"]]
    kinds, hit = match_faces(found, photo)
    c["faces true"] += len(photo.get("faces", []))
    c["faces hit"] += hit
    c["faces reported"] += kinds.count("hit") + kinds.count("false")
    c["faces false"] += kinds.count("false")
    peer = seen.get("peer") or {}
    peer_found = [f["box"] for f in peer.get("faces", [])]
    peer_kinds, peer_hit = match_faces(peer_found, photo)
    c["peer faces hit"] += peer_hit
    c["peer faces reported"] += peer_kinds.count("hit") + peer_kinds.count("false")
    groups = photo.get("groups", [])
    if "crowd" in groups or "group" in groups:
        c["crowd faces true"] += len(photo.get("faces", []))
        c["crowd faces hit"] += hit
    if not photo.get("faces") and not photo.get("optionalFaces") and not photo.get("optionalFaceRegions"):
        c["faceless photos"] += 1
        c["false faces on faceless photos"] += kinds.count("false")
    if kinds.count("false"):
        notes.append("%d false face(s)" % kinds.count("false"))
    if hit < len(photo.get("faces", [])):
        notes.append("%d of %d faces missed" % (len(photo["faces"]) - hit, len(photo["faces"])))
    # Counts.
    if "hb" in record:
        c["people photos"] += 1
        c["people right"] += in_range(record["hb"], photo["people"])
        if not in_range(record["hb"], photo["people"]):
            notes.append("people %d, truth %s" % (record["hb"], photo["people"]))
        c["animal photos"] += 1
        c["animals right"] += in_range(record["an"], photo["animals"])
        kinds_known = set(photo.get("animalKinds", [])) <= COCO_ANIMALS
        if kinds_known:
            c["known animal photos"] += 1
            c["known animals right"] += in_range(record["an"], photo["animals"])
        if "texture" in groups:
            c["texture photos"] += 1
            most = photo["animals"] if isinstance(photo["animals"], int) else photo["animals"][1]
            c["animals beyond truth on textures"] += max(0, record["an"] - most)
        if not in_range(record["an"], photo["animals"]):
            notes.append("animals %d, truth %s" % (record["an"], photo["animals"]))
    # Words.
    lines = [l["text"] for l in kept(seen.get("lines", []))]
    reported = [t[0] for t in record.get("tx", [])]
    peer_lines = [l["text"] for l in kept(peer.get("lines", []))]
    group = text_group(photo)
    if photo.get("lines"):
        total, read = read_words(photo, lines)
        _, in_record = read_words(photo, reported)
        _, peer_read = read_words(photo, peer_lines)
        c["words " + group] += total
        c["read " + group] += read
        c["in record " + group] += in_record
        c["peer read " + group] += peer_read
        if read < total:
            notes.append("%d of %d words read" % (read, total))
    bad = junk(photo, lines)
    peer_bad = junk(photo, peer_lines)
    if photo["text"] == "none":
        c["photos without text"] += 1
        c["junk on photos without text"] += len(bad)
        c["photos without text with junk"] += bool(bad)
        c["peer junk on photos without text"] += len(peer_bad)
    elif photo["text"] != "incidental" and not photo.get("moreText"):
        c["lines on text photos"] += len(lines)
        c["lines matching nothing"] += len(bad)
        c["peer lines matching nothing"] += len(peer_bad)
    if bad:
        notes.append("junk lines: " + " | ".join(bad[:4]))
    # Labels.
    labels = [l[0] for l in record.get("l", [])]
    verdicts = judge_labels(photo, labels)
    c["labels right"] += verdicts.count("right")
    c["labels wrong"] += verdicts.count("wrong") + verdicts.count("unlisted")
    c["labels judged"] += verdicts.count("right") + verdicts.count("wrong") + verdicts.count("unlisted")
    c["right labels expected"] += len(photo["labels"]["right"])
    c["right labels given"] += len(set(labels) & set(photo["labels"]["right"]))
    wrong = [n for n, v in zip(labels, verdicts) if v in ("wrong", "unlisted")]
    if wrong:
        notes.append("wrong labels: " + ", ".join(wrong))
    unlisted = [n for n, v in zip(labels, verdicts) if v == "unlisted"]
    tally.ms.append(seen["ms"])
    tally.cpu.append(seen["cpuMs"])
    tally.peer_ms.append(peer.get("facesMs", 0) + peer.get("textMs", 0))
    return kinds, peer_kinds, verdicts, unlisted


def figures(t):
    c = t.c
    rows = [
        ("face precision", t.ratio("faces hit", "faces reported")),
        ("face recall", t.ratio("faces hit", "faces true")),
        ("  on crowds and groups", t.ratio("crowd faces hit", "crowd faces true")),
        ("  false faces, faceless photos", "%d on %d photos" % (c["false faces on faceless photos"], c["faceless photos"])),
        ("  peer (Haar) precision", t.ratio("peer faces hit", "peer faces reported")),
        ("  peer (Haar) recall", t.ratio("peer faces hit", "faces true")),
        ("people count right", t.ratio("people right", "people photos")),
        ("animal count right", t.ratio("animals right", "animal photos")),
        ("  of detector kinds", t.ratio("known animals right", "known animal photos")),
        ("animals counted on textures", "%d too many on %d photos" % (c["animals beyond truth on textures"], c["texture photos"])),
        ("words read, documents", t.ratio("read document", "words document")),
        ("  in the record (24 lines)", t.ratio("in record document", "words document")),
        ("  peer (Tesseract page)", t.ratio("peer read document", "words document")),
        ("words read, signs", t.ratio("read sign", "words sign")),
        ("  in the record (24 lines)", t.ratio("in record sign", "words sign")),
        ("  peer (Tesseract page)", t.ratio("peer read sign", "words sign")),
        ("words read, scene text", t.ratio("read scene", "words scene")),
        ("junk lines, no-text photos", "%d on %d of %d photos" % (
            c["junk on photos without text"], c["photos without text with junk"], c["photos without text"])),
        ("  peer (Tesseract page)", "%d" % c["peer junk on photos without text"]),
        ("lines matching no word", "%d of %d" % (c["lines matching nothing"], c["lines on text photos"])),
        ("  peer (Tesseract page)", "%d" % c["peer lines matching nothing"]),
        ("label precision", t.ratio("labels right", "labels judged")),
        ("right labels given (recall)", t.ratio("right labels given", "right labels expected")),
        ("ms a picture (wall/cpu)", "%.0f / %.0f" % (sum(t.ms) / len(t.ms), sum(t.cpu) / len(t.cpu)) if t.ms else "-"),
        ("  peers (Haar + page)", "%.0f" % (sum(t.peer_ms) / len(t.peer_ms)) if t.peer_ms else "-"),
    ]
    return rows


def svg_box(box, colour, dashed=False, width=2):
    x, y, w, h = box
    dash = ' stroke-dasharray="4 3"' if dashed else ""
    return ('<rect x="%.4f" y="%.4f" width="%.4f" height="%.4f" fill="none" stroke="%s" '
            'stroke-width="%d" vector-effect="non-scaling-stroke"%s/>' % (x, y, w, h, colour, width, dash))


def photo_html(photo, seen, kinds, peer_kinds, verdicts, notes):
    shapes = []
    for box in photo.get("faces", []):
        shapes.append(svg_box(box, "#2ecc40", width=3))
    for box in photo.get("optionalFaces", []) + photo.get("optionalFaceRegions", []):
        shapes.append(svg_box(box, "#aaaaaa", dashed=True))
    for line in seen.get("lines", []):
        shapes.append(svg_box(line["box"], "#00bcd4", width=1))
    for h in seen.get("humans", []):
        if h["confidence"] > 0.4:
            shapes.append(svg_box(h["box"], "#b10dc9", width=1))
    for a in seen.get("animals", []):
        shapes.append(svg_box(a["box"], "#ff851b", width=1))
    for f, kind in zip((seen.get("peer") or {}).get("faces", []), peer_kinds):
        shapes.append(svg_box(f["box"], "#ffdc00", dashed=True, width=1))
    for f, kind in zip(seen["faces"], kinds):
        shapes.append(svg_box(f["box"], {"hit": "#0074d9", "free": "#7fdbff", "false": "#ff4136"}[kind]))
    record = seen["record"]
    esc = html.escape
    labels = " ".join('<span class="%s">%s %.2f</span>' % (v, esc(l[0]), l[1])
                      for l, v in zip(record.get("l", []), verdicts)) or "<i>none</i>"
    words = truth_words(photo)
    def line_html(text):
        ok = photo["text"] == "incidental" or (photo["text"] != "none" and any(
            len(w) >= 2 and w in words for w in tokens(text)))
        return '<li class="%s">%s</li>' % ("right" if ok else "wrong", esc(text))
    lines = "".join(line_html(l["text"]) for l in kept(seen.get("lines", [])))
    peer_lines = "".join(line_html(l["text"]) for l in kept((seen.get("peer") or {}).get("lines", [])))
    truth_lines = esc(" / ".join(photo.get("lines", []))) or "<i>no demanded writing</i>"
    return """<div class="photo"><h2>%s <small>%s, text: %s</small></h2>
<div class="pic"><img src="photos/%s.jpg"><svg viewBox="0 0 1 1" preserveAspectRatio="none">%s</svg></div>
<div class="facts"><p>faces %d (truth %d), people %s (truth %s), animals %s (truth %s), text cover %s</p>
<p>labels: %s</p><p>truth labels: %s; maybe %s</p>
<p>read:</p><ul>%s</ul><p>Tesseract page:</p><ul>%s</ul><p>truth: %s</p>
<p class="notes">%s</p>%s</div></div>""" % (
        esc(photo["key"]), photo["split"], photo["text"], esc(photo["key"]), "".join(shapes),
        record.get("f", 0), len(photo.get("faces", [])), record.get("hb", "-"), photo["people"],
        record.get("an", "-"), photo["animals"], record.get("tc", "-"), labels,
        esc(", ".join(photo["labels"]["right"])) or "none", esc(", ".join(photo["labels"]["maybe"])) or "none",
        lines, peer_lines, truth_lines, esc("; ".join(notes)),
        '<p class="note">%s</p>' % esc(photo["note"]) if photo.get("note") else "")


PAGE = """<!doctype html><meta charset="utf-8"><title>vell quality set</title><style>
body{font:14px sans-serif;margin:1em}.photo{display:flex;gap:1em;border-top:1px solid #ccc;padding:.5em 0;flex-wrap:wrap}
.photo h2{width:100%%;margin:0;font-size:16px}.pic{position:relative;display:inline-block;align-self:flex-start}.pic img{max-width:640px;max-height:480px;display:block}
.pic svg{position:absolute;left:0;top:0;width:100%%;height:100%%}.facts{flex:1;min-width:300px}
.right{color:#080}.wrong,.unlisted{color:#c00}.maybe{color:#888}span{margin-right:.6em}
.notes{color:#c00}ul{margin:0;padding-left:1.2em}table{border-collapse:collapse}td,th{padding:2px 8px;border:1px solid #ddd}
</style><h1>vell-place on the quality set</h1>
<p>Green: true faces; grey dashed: optional faces; blue: faces found on a true face, light blue: on an optional
one, red: false faces; yellow dashed: the Haar cascade; cyan: read lines; purple: people above 0.4; orange: animals.</p>
%s%s"""


def main():
    truth_path, results_path, out_dir = sys.argv[1:4]
    truth = {p["key"]: p for p in json.load(open(truth_path))["photos"]}
    results = [json.loads(line) for line in open(results_path) if line.strip()]
    tallies = {s: Tally() for s in SPLITS + ("all",)}
    blocks, failures, unlisted_all = [], {s: [] for s in SPLITS}, []
    for seen in results:
        photo = truth.get(seen["key"])
        if not photo:
            continue
        notes = []
        for name in (photo["split"], "all"):
            scratch = []
            kinds, peer_kinds, verdicts, unlisted = score_photo(photo, seen, tallies[name], scratch)
            if name == "all":
                notes = scratch
        if notes:
            failures[photo["split"]].append("  %-26s %s" % (photo["key"], "; ".join(notes)))
        unlisted_all += ["%s: %s" % (photo["key"], n) for n in unlisted]
        blocks.append(photo_html(photo, seen, kinds, peer_kinds, verdicts, notes))
    missing = sorted(set(truth) - {r["key"] for r in results})
    rows = {s: figures(t) for s, t in tallies.items()}
    print("%-30s %-22s %-22s %s" % ("", "tuning", "held-out", "all"))
    for i, (name, _) in enumerate(rows["all"]):
        print("%-30s %-22s %-22s %s" % (name, rows["tuning"][i][1], rows["heldout"][i][1], rows["all"][i][1]))
    for split in SPLITS:
        print("\n%s photos with faults:" % split)
        print("\n".join(failures[split]) or "  none")
    if unlisted_all:
        print("\n%d labels the truth does not name were counted wrong (red on the page)" % len(unlisted_all))
    if missing:
        print("\nphotos without results: " + ", ".join(missing))
    table = "<table><tr><th></th><th>tuning</th><th>held-out</th><th>all</th></tr>%s</table>" % "".join(
        "<tr><td>%s</td><td>%s</td><td>%s</td><td>%s</td></tr>" % (
            html.escape(name), rows["tuning"][i][1], rows["heldout"][i][1], rows["all"][i][1])
        for i, (name, _) in enumerate(rows["all"]))
    with open(out_dir + "/index.html.part", "w") as out:
        out.write(PAGE % (table, "\n".join(blocks)))
    os.replace(out_dir + "/index.html.part", out_dir + "/index.html")


if __name__ == "__main__":
    main()
