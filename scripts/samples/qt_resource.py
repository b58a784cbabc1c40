#!/usr/bin/python3
"""Copies one file out of a compiled Qt resource bundle (.rcc).

    qt_resource.py BUNDLE PATH DEST

PATH is the file's path inside the bundle, without the leading ":/". The
bundle format: a "qres" header (version, offsets of the tree, the data and the
names), a tree of 14-byte (version 1) or 22-byte entries, names as UTF-16
with a length and a hash, and data blocks with a length, zlib-compressed when
the entry's flag says so (a 4-byte size first, as qCompress writes it).
"""
import struct
import sys
import zlib

COMPRESSED, DIRECTORY, ZSTD = 1, 2, 4


def read_file(bundle, wanted):
    if bundle[:4] != b"qres":
        raise ValueError("not a Qt resource bundle")
    version, tree, data, names = struct.unpack(">IIII", bundle[4:20])
    entry = 14 if version == 1 else 22

    def name(offset):
        (length,) = struct.unpack(">H", bundle[names + offset:names + offset + 2])
        start = names + offset + 6
        return bundle[start:start + 2 * length].decode("utf-16-be")

    node = 0
    for part in wanted.strip("/").split("/"):
        at = tree + node * entry
        _, flags = struct.unpack(">IH", bundle[at:at + 6])
        if not flags & DIRECTORY:
            raise KeyError(wanted)
        count, first = struct.unpack(">II", bundle[at + 6:at + 14])
        for child in range(first, first + count):
            (name_offset,) = struct.unpack(">I", bundle[tree + child * entry:tree + child * entry + 4])
            if name(name_offset) == part:
                node = child
                break
        else:
            raise KeyError(wanted)
    at = tree + node * entry
    _, flags = struct.unpack(">IH", bundle[at:at + 6])
    if flags & (DIRECTORY | ZSTD):
        raise KeyError(wanted + " is a folder or zstd-compressed")
    (offset,) = struct.unpack(">I", bundle[at + 10:at + 14])
    (size,) = struct.unpack(">I", bundle[data + offset:data + offset + 4])
    blob = bundle[data + offset + 4:data + offset + 4 + size]
    return zlib.decompress(blob[4:]) if flags & COMPRESSED else blob


def main():
    bundle_path, wanted, dest = sys.argv[1:4]
    with open(bundle_path, "rb") as f:
        blob = read_file(f.read(), wanted)
    with open(dest, "wb") as f:
        f.write(blob)


if __name__ == "__main__":
    main()
