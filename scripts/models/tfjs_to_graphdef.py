#!/usr/bin/python3
"""Turns a TensorFlow.js graph model (model.json + weight shards) into a frozen
TensorFlow GraphDef that OpenCV's dnn module reads.

    tfjs_to_graphdef.py MODEL.json OUT.pb --outputs NODE[,NODE...]

The weights become Const nodes (de-quantised to float32); the fused nodes that
the TF.js converter makes (_FusedConv2D, FusedDepthwiseConv2dNative,
_FusedMatMul) are split back into the core op, BiasAdd and the activation; the
graph is pruned to what the named outputs need. Needs numpy, the protobuf
runtime and protoc (Debian: python3-numpy, python3-protobuf,
protobuf-compiler); TensorFlow itself is not needed: the schema is in
tf_graph.proto beside this script.
"""

import argparse
import base64
import importlib
import json
import os
import subprocess
import sys
import tempfile

import numpy as np
from google.protobuf import json_format

from tfjs_graph import read_weights

HERE = os.path.dirname(os.path.abspath(__file__))


def load_schema(workdir):
    subprocess.run(["protoc", f"--proto_path={HERE}", f"--python_out={workdir}",
                    os.path.join(HERE, "tf_graph.proto")], check=True)
    sys.path.insert(0, workdir)
    return importlib.import_module("tf_graph_pb2")


def set_tensor(pb, node, array):
    node.attr.clear()
    dtype = pb.DT_FLOAT if array.dtype == np.float32 else pb.DT_INT32
    node.attr["dtype"].type = dtype
    tensor = node.attr["value"].tensor
    tensor.dtype = dtype
    for size in array.shape:
        tensor.tensor_shape.dim.add().size = size
    # Integers and single values go in the typed fields, as TensorFlow itself
    # writes them: some readers (OpenCV's Concat axis) look only there.
    if dtype == pb.DT_INT32:
        tensor.int_val.extend(int(v) for v in array.flat)
    elif array.size == 1:
        tensor.float_val.append(float(array.flat[0]))
    else:
        tensor.tensor_content = array.astype("<f4").tobytes()


CORE_OPS = {"_FusedConv2D": "Conv2D", "FusedDepthwiseConv2dNative": "DepthwiseConv2dNative",
            "_FusedMatMul": "MatMul"}
ACTIVATIONS = {"Relu", "Relu6", "Elu", "Selu", "Sigmoid", "Tanh", "LeakyRelu"}
FUSION_ONLY_ATTRS = {"fused_ops", "num_args", "epsilon", "leakyrelu_alpha"}


def split_fused(pb, node):
    """Core op + BiasAdd (+ activation) nodes replacing `node`; the last keeps its name."""
    ops = [s.decode() for s in node.attr["fused_ops"].list.s]
    if not ops or ops[0] != "BiasAdd" or len(ops) > 2 or (len(ops) == 2 and ops[1] not in ACTIVATIONS):
        raise ValueError(f"{node.name}: fused ops {ops} are not supported")
    if len(node.input) != 3:
        raise ValueError(f"{node.name}: expected input, weights and bias")
    dtype = node.attr["T"].type
    core = pb.NodeDef(name=node.name + "/core", op=CORE_OPS[node.op], input=node.input[:2])
    for key, value in node.attr.items():
        if key not in FUSION_ONLY_ATTRS:
            core.attr[key].CopyFrom(value)
    bias = pb.NodeDef(name=node.name + "/bias", op="BiasAdd", input=[core.name, node.input[2]])
    bias.attr["T"].type = dtype
    if node.op != "_FusedMatMul":
        bias.attr["data_format"].CopyFrom(node.attr["data_format"])
    nodes = [core, bias]
    if len(ops) == 2:
        act = pb.NodeDef(name=node.name, op=ops[1], input=[bias.name])
        act.attr["T"].type = dtype
        if ops[1] == "LeakyRelu":
            act.attr["alpha"].f = node.attr["leakyrelu_alpha"].f
        nodes.append(act)
    else:
        bias.name = node.name
    return nodes


def node_of(input_name):
    return input_name.lstrip("^").split(":")[0]


def prune(nodes, outputs):
    by_name = {n.name: n for n in nodes}
    keep, stack = set(), list(outputs)
    while stack:
        name = stack.pop()
        if name in keep:
            continue
        if name not in by_name:
            raise ValueError(f"node {name} is not in the graph")
        keep.add(name)
        stack.extend(node_of(i) for i in by_name[name].input)
    return [n for n in nodes if n.name in keep]


def order_broadcast_products(nodes):
    """Puts the full-size operand first in a product of a feature map and a
    per-channel vector (squeeze-and-excite), the order OpenCV's importer
    needs for its broadcasting Scale layer."""
    by_name = {n.name: n for n in nodes}
    per_channel = {}

    def is_per_channel(name):
        name = node_of(name)
        if name not in per_channel:
            node = by_name[name]
            if node.op == "Mean":
                per_channel[name] = node.attr["keep_dims"].b
            elif node.op in ("Const", "Placeholder"):
                per_channel[name] = False
            else:
                tensors = [i for i in node.input if by_name[node_of(i)].op != "Const"]
                per_channel[name] = bool(tensors) and all(is_per_channel(i) for i in tensors)
        return per_channel[name]

    sys.setrecursionlimit(10000)
    for node in nodes:
        if node.op == "Mul" and len(node.input) == 2:
            a, b = node.input
            if all(by_name[node_of(x)].op != "Const" for x in (a, b)):
                if is_per_channel(a) and not is_per_channel(b):
                    node.input[:] = [b, a]


def convert(model_path, out_path, outputs):
    with open(model_path) as f:
        model = json.load(f)
    weights = read_weights(model, os.path.dirname(os.path.abspath(model_path)))
    with tempfile.TemporaryDirectory() as workdir:
        pb = load_schema(workdir)
        graph = json_format.ParseDict(model["modelTopology"], pb.GraphDef(), ignore_unknown_fields=True)
        nodes = []
        for node in graph.node:
            if node.op == "Const":
                if node.name not in weights:
                    raise ValueError(f"constant {node.name} has no weights")
                set_tensor(pb, node, weights[node.name])
                nodes.append(node)
            elif node.op in CORE_OPS:
                nodes.extend(split_fused(pb, node))
            else:
                for key in [k for k in node.attr if k.startswith("_")]:
                    del node.attr[key]
                nodes.append(node)
        nodes = prune(nodes, outputs)
        order_broadcast_products(nodes)
        frozen = pb.GraphDef()
        frozen.node.extend(nodes)
        frozen.versions.producer = graph.versions.producer or 1
        data = frozen.SerializeToString(deterministic=True)
    with open(out_path + ".part", "wb") as f:
        f.write(data)
    os.replace(out_path + ".part", out_path)
    print(f"{os.path.basename(out_path)}: {len(nodes)} nodes, {len(data)} bytes")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("model")
    parser.add_argument("out")
    parser.add_argument("--outputs", required=True, help="comma-separated node names to keep")
    args = parser.parse_args()
    try:
        convert(args.model, args.out, [o for o in args.outputs.split(",") if o])
    except (ValueError, KeyError, OSError) as error:
        print(f"tfjs_to_graphdef: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
