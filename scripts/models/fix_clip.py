"""Rewrites every Clip node whose bounds arrive as inputs (opset 11 and later)
into the older form with `min` and `max` attributes, which OpenCV 4.6 reads.

usage: fix_clip.py IN.onnx OUT.onnx
"""
import sys

import onnx
from onnx import helper, numpy_helper


def constant_values(graph):
    values = {}
    for node in graph.node:
        if node.op_type == "Constant":
            for attribute in node.attribute:
                if attribute.name == "value":
                    values[node.output[0]] = numpy_helper.to_array(attribute.t)
    for tensor in graph.initializer:
        values[tensor.name] = numpy_helper.to_array(tensor)
    return values


def main(source, target):
    model = onnx.load(source)
    graph = model.graph
    values = constant_values(graph)
    rewritten = 0
    for index, node in enumerate(graph.node):
        if node.op_type != "Clip" or len(node.input) < 2:
            continue
        bounds = []
        for position, default in ((1, -3.4e38), (2, 3.4e38)):
            name = node.input[position] if len(node.input) > position else ""
            if name == "":
                bounds.append(default)
            elif name in values:
                bounds.append(float(values[name].reshape(-1)[0]))
            else:
                sys.exit(f"fix_clip: bound {name} of {node.name} is not a constant")
        replacement = helper.make_node("Clip", [node.input[0]], list(node.output),
                                       name=node.name, min=bounds[0], max=bounds[1])
        graph.node.remove(node)
        graph.node.insert(index, replacement)
        rewritten += 1
    # Constants that only fed the bounds are now dangling; drop them.
    used = {name for node in graph.node for name in node.input}
    used.update(output.name for output in graph.output)
    dangling = [node for node in graph.node
                if node.op_type == "Constant" and node.output[0] not in used]
    for node in dangling:
        graph.node.remove(node)
    onnx.save(model, target)
    print(f"fix_clip: {rewritten} Clip nodes rewritten, {len(dangling)} constants dropped")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
