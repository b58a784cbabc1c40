"""Reading a TensorFlow.js graph model (model.json and its weight shards):
the nodes as plain objects, their attributes decoded, the weights as numpy
arrays (de-quantised to float32 or int32). Shared by the ONNX converter and
the reference evaluator; needs only numpy.
"""

import base64
import json
import os

import numpy as np


class Node:
    """One node of the graph: name, op, inputs (names, control inputs
    dropped) and attributes in plain Python form."""

    def __init__(self, raw):
        self.name = raw["name"]
        self.op = raw["op"]
        self.inputs = [i for i in raw.get("input", []) if not i.startswith("^")]
        self.attr = {key: decode_attr(value) for key, value in raw.get("attr", {}).items()}

    def __repr__(self):
        return f"{self.op} {self.name}"


def decode_attr(value):
    """An AttrValue in the protobuf JSON form as bytes, int, float, bool, a
    type name, a shape (list of ints, -1 unknown) or a list of those."""
    if "list" in value:
        items = value["list"]
        if "s" in items:
            return [base64.b64decode(s).decode() for s in items["s"]]
        if "i" in items:
            return [int(i) for i in items["i"]]
        if "f" in items:
            return [float(f) for f in items["f"]]
        return []
    if "s" in value:
        return base64.b64decode(value["s"]).decode()
    if "i" in value:
        return int(value["i"])
    if "f" in value:
        return float(value["f"])
    if "b" in value:
        return bool(value["b"])
    if "type" in value:
        return value["type"]
    if "shape" in value:
        return [int(d.get("size", -1)) for d in value["shape"].get("dim", [])]
    return None


def tensor_name(name):
    """Node name and output index of an input reference such as "a:1"."""
    node, _, index = name.partition(":")
    return node, int(index) if index else 0


class Graph:
    def __init__(self, model_path):
        with open(model_path) as f:
            model = json.load(f)
        self.nodes = [Node(raw) for raw in model["modelTopology"]["node"]]
        self.by_name = {node.name: node for node in self.nodes}
        self.weights = read_weights(model, os.path.dirname(os.path.abspath(model_path)))
        for node in self.nodes:
            if node.op == "Const" and node.name not in self.weights:
                raise ValueError(f"constant {node.name} has no weights")

    def needed(self, outputs):
        """The nodes the named outputs depend on, each after its inputs."""
        order, state = [], {}
        for output in outputs:
            if tensor_name(output)[0] not in self.by_name:
                raise ValueError(f"node {output} is not in the graph")
            stack = [(tensor_name(output)[0], False)]
            while stack:
                name, done = stack.pop()
                if done:
                    if state.get(name) != "done":
                        state[name] = "done"
                        order.append(self.by_name[name])
                    continue
                if name in state:
                    continue
                if name not in self.by_name:
                    raise ValueError(f"node {name} is not in the graph")
                state[name] = "open"
                stack.append((name, True))
                for i in reversed(self.by_name[name].inputs):
                    if tensor_name(i)[0] not in state:
                        stack.append((tensor_name(i)[0], False))
        return order


def read_weights(model, folder):
    """Name -> numpy array for every weight in the manifest, de-quantised."""
    weights = {}
    for group in model["weightsManifest"]:
        data = b"".join(open(os.path.join(folder, p), "rb").read() for p in group["paths"])
        offset = 0
        for entry in group["weights"]:
            count = int(np.prod(entry["shape"], dtype=np.int64))
            quant = entry.get("quantization")
            if quant is None:
                stored = np.dtype({"float32": "<f4", "int32": "<i4"}[entry["dtype"]])
            else:
                stored = np.dtype({"float16": "<f2", "uint8": "u1", "uint16": "<u2"}[quant["dtype"]])
            size = count * stored.itemsize
            if offset + size > len(data):
                raise ValueError(f"weight {entry['name']} runs past the end of the shards")
            raw = np.frombuffer(data, dtype=stored, count=count, offset=offset)
            offset += size
            if quant is None or quant["dtype"] == "float16":
                value = raw.astype(np.float32 if entry["dtype"] == "float32" else np.int32)
            else:
                value = raw.astype(np.float32) * quant["scale"] + quant["min"]
                if entry["dtype"] == "int32":
                    value = np.round(value).astype(np.int32)
            weights[entry["name"]] = value.reshape(entry["shape"])
    return weights


FUSED_CORE = {"_FusedConv2D": "Conv2D", "FusedDepthwiseConv2dNative": "DepthwiseConv2dNative",
              "_FusedMatMul": "MatMul"}
ACTIVATIONS = {"Relu", "Relu6", "Elu", "Selu", "Sigmoid", "Tanh", "LeakyRelu", "Prelu"}


def fused_ops(node):
    """The operations a fused node adds after its core op, checked: BiasAdd,
    then at most one activation."""
    ops = node.attr.get("fused_ops", [])
    if not ops or ops[0] != "BiasAdd" or len(ops) > 2 or (len(ops) == 2 and ops[1] not in ACTIVATIONS):
        raise ValueError(f"{node.name}: fused ops {ops} are not supported")
    expected = 3 + (1 if ops[-1] == "Prelu" else 0)
    if len(node.inputs) != expected:
        raise ValueError(f"{node.name}: expected {expected} inputs, found {len(node.inputs)}")
    return ops
