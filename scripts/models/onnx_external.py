#!/usr/bin/python3
"""Moves an ONNX model's large weights into a file of their own beside it.

  onnx_external.py MODEL.onnx OUT.onnx

OUT.onnx keeps the graph; OUT.onnx.data holds every initializer of 4 KiB or
more, each starting at a multiple of 4096 bytes. ONNX Runtime maps such
weights from the file instead of parsing and copying them, which makes a
large network load several times faster and with less memory.
"""
import os
import sys

import onnx

PAGE = 4096


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    source, target = sys.argv[1], sys.argv[2]
    model = onnx.load(source)
    data_name = os.path.basename(target) + ".data"
    offset = 0
    with open(os.path.join(os.path.dirname(target) or ".", data_name), "wb") as data:
        for tensor in model.graph.initializer:
            if not tensor.HasField("raw_data") or len(tensor.raw_data) < PAGE:
                continue
            padding = (-offset) % PAGE
            data.write(b"\0" * padding)
            offset += padding
            raw = tensor.raw_data
            data.write(raw)
            tensor.ClearField("raw_data")
            tensor.data_location = onnx.TensorProto.EXTERNAL
            for key, value in (("location", data_name), ("offset", str(offset)),
                               ("length", str(len(raw)))):
                entry = tensor.external_data.add()
                entry.key, entry.value = key, value
            offset += len(raw)
    onnx.save(model, target)


if __name__ == "__main__":
    main()
