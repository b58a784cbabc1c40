#!/usr/bin/python3
"""The scoring rules of the quality benchmark on small made-up cases: a fault
here would move every figure the benchmark prints."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import score  # noqa: E402

PHOTO = {
    "faces": [[0.10, 0.10, 0.20, 0.20], [0.60, 0.10, 0.20, 0.20]],
    "optionalFaces": [[0.40, 0.70, 0.05, 0.05]],
    "optionalFaceRegions": [[0.0, 0.9, 1.0, 0.1]],
}


class FaceMatching(unittest.TestCase):
    def test_kinds(self):
        cases = [
            ("same box", [[0.10, 0.10, 0.20, 0.20]], ["hit"], 1),
            ("overlap below 0.3 but each holds the other's centre",
             [[0.15, 0.12, 0.08, 0.10]], ["hit"], 1),
            ("beside the face", [[0.32, 0.10, 0.20, 0.20]], ["false"], 0),
            ("on an optional face", [[0.40, 0.70, 0.05, 0.05]], ["free"], 0),
            ("centre inside an optional region", [[0.5, 0.92, 0.04, 0.04]], ["free"], 0),
            ("one face found twice", [[0.10, 0.10, 0.20, 0.20], [0.11, 0.11, 0.19, 0.19]],
             ["hit", "false"], 1),
            ("both faces", [[0.60, 0.10, 0.20, 0.20], [0.10, 0.10, 0.20, 0.20]], ["hit", "hit"], 2),
        ]
        for name, found, kinds, hits in cases:
            with self.subTest(name):
                self.assertEqual(score.match_faces(found, PHOTO), (kinds, hits))


class Words(unittest.TestCase):
    def test_read_words(self):
        photo = {"lines": ["NO PARKING", "NO PARKING", "Today's page."]}
        cases = [
            ("case and punctuation do not matter", ["no parking", "todays PAGE"], 4),
            ("each true word is found once", ["NO PARKING NO PARKING"], 4),
            ("one line read of two", ["NO PARKING"], 2),
            ("two words read as one", ["NOPARKING", "NOPARKING"], 4),
            ("a misread word is missed", ["NO PARKNG"], 1),
            ("nothing read", [], 0),
        ]
        for name, read, found in cases:
            with self.subTest(name):
                self.assertEqual(score.read_words(photo, read), (6, found))

    def test_junk(self):
        sign = {"text": "sign", "lines": ["FRESH BREAD"], "otherText": ["Open daily"]}
        cases = [
            ("any line on a photo without writing", {"text": "none"}, ["BREAD", "SY"], ["BREAD", "SY"]),
            ("nothing judged on incidental writing", {"text": "incidental"}, ["SY"], []),
            ("a line sharing a word is fine", sign, ["BREAD", "Ei ES", "daily 7"], ["Ei ES"]),
            ("two true words read as one are fine", sign, ["FRESHBREAD"], []),
            ("one-letter words do not save a line", {"text": "sign", "lines": ["A B"]}, ["a b"], ["a b"]),
            ("nothing judged beyond the demanded part of a page",
             {"text": "page", "lines": ["Title"], "moreText": True}, ["the rest"], []),
        ]
        for name, photo, lines, junk in cases:
            with self.subTest(name):
                self.assertEqual(score.junk(photo, lines), junk)

    def test_documents_and_signs_apart(self):
        cases = [
            ("a page", {"text": "page"}, "document"),
            ("a sign", {"text": "sign"}, "sign"),
            ("a label on a product", {"text": "sign", "groups": ["closeup", "document"]}, "document"),
            ("scene text", {"text": "scene", "groups": ["document"]}, "scene"),
            ("no writing", {"text": "none"}, "none"),
        ]
        for name, photo, group in cases:
            with self.subTest(name):
                self.assertEqual(score.text_group(photo), group)

    def test_kept_lines(self):
        lines = [{"text": " a "}, {"text": "ok"}, {"text": "x" * 81}, {"text": "  fine line\n"}]
        self.assertEqual([l["text"] for l in score.kept(lines)], ["ok", "fine line"])


class Labels(unittest.TestCase):
    def test_verdicts(self):
        photo = {"labels": {"right": ["dog", "animal"], "maybe": ["couch"], "wrong": ["cat"]}}
        self.assertEqual(score.judge_labels(photo, ["dog", "couch", "cat", "kite"]),
                         ["right", "maybe", "wrong", "unlisted"])

    def test_counts_in_range(self):
        for value, truth, inside in [(2, 2, True), (3, 2, False), (5, [4, 8], True), (9, [4, 8], False)]:
            with self.subTest(value=value, truth=truth):
                self.assertEqual(score.in_range(value, truth), inside)


if __name__ == "__main__":
    unittest.main()
