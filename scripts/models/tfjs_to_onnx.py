#!/usr/bin/python3
"""Turns a TensorFlow.js graph model (model.json + weight shards) into an
ONNX model for ONNX Runtime, and checks the result against a reference run
of the original graph before keeping it.

    tfjs_to_onnx.py MODEL.json OUT.onnx --outputs NODE[,NODE...]
        [--channels-first] [--batch N]
        --check PICTURE.rgb --runner ONNX_RUN [--input-scale S] [--input-offset O]
        [--tolerance T]

The ONNX graph keeps TensorFlow's channels-last layout: every convolution
and pooling is wrapped in transposes to ONNX's channels-first form and back,
which ONNX Runtime's layout optimiser cancels when it loads the model, so
the conversion stays a one-to-one, checkable mapping of the operations.
--channels-first gives the four-dimensional outputs as [N, C, H, W]; --batch
fixes an unknown batch dimension (default 1).

The check: PICTURE.rgb holds the raw 8-bit RGB samples of a picture of the
input's height and width; each sample becomes sample x S + O. The original
graph is evaluated on it in numpy (tfjs_reference.py, written from
TensorFlow's definitions of the operations), the ONNX model is run by ONNX
Runtime itself (ONNX_RUN, built from onnx_run.cpp), and every output must
agree within T (default 1e-3) times the output's largest magnitude (at
least 1). Only then is OUT.onnx written; otherwise the script says what
differs and fails. Needs numpy and onnx (Debian: python3-numpy,
python3-onnx).
"""

import argparse
import os
import subprocess
import sys
import tempfile

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

from tfjs_graph import FUSED_CORE, Graph, fused_ops, tensor_name
import tfjs_reference

OPSET = 13
TO_CHANNELS_FIRST = [0, 3, 1, 2]
TO_CHANNELS_LAST = [0, 2, 3, 1]


class Converter:
    def __init__(self, graph, batch):
        self.graph = graph
        self.batch = batch
        self.nodes = []
        self.initializers = []
        self.inputs = []
        self.names = {}
        self.constants = {}
        self.counter = 0

    def fresh(self, base):
        self.counter += 1
        return f"{base}/_{self.counter}"

    def add(self, op, inputs, name, **attributes):
        self.nodes.append(helper.make_node(op, inputs, [name], name=name, **attributes))
        return name

    def constant(self, array, base):
        """An initializer holding `array` (float32 or int64)."""
        name = self.fresh(base)
        self.initializers.append(numpy_helper.from_array(np.ascontiguousarray(array), name))
        return name

    def weight(self, name):
        node_name, _ = tensor_name(name)
        node = self.graph.by_name[node_name]
        if node.op != "Const":
            raise ValueError(f"{name} must be a constant here, not {node.op}")
        return self.graph.weights[node_name]

    def value(self, name):
        """The ONNX tensor holding TF tensor `name`; constants become
        initializers on first use as data."""
        node_name, index = tensor_name(name)
        if index != 0:
            raise ValueError(f"{name}: only first outputs are supported")
        node = self.graph.by_name[node_name]
        if node.op == "Const" and node_name not in self.names:
            array = self.graph.weights[node_name]
            if array.dtype != np.float32:
                raise ValueError(f"{node_name}: integer constant used as data")
            self.names[node_name] = self.constant(array, node_name)
        return self.names[node_name]

    def channels_first(self, x, base):
        return self.add("Transpose", [x], self.fresh(base + "/to_nchw"), perm=TO_CHANNELS_FIRST)

    def spatial(self, node, kernel):
        """Conv and pooling attributes from a TF node's."""
        if node.attr.get("data_format", "NHWC") != "NHWC":
            raise ValueError(f"{node.name}: only NHWC is supported")
        strides = node.attr.get("strides", [1, 1, 1, 1])
        attributes = {"strides": strides[1:3]}
        dilations = node.attr.get("dilations") or [1, 1, 1, 1]
        if dilations[1:3] != [1, 1]:
            attributes["dilations"] = dilations[1:3]
        padding = node.attr.get("padding", "VALID")
        if padding == "SAME":
            # TensorFlow puts the odd extra padding at the end, as SAME_UPPER.
            attributes["auto_pad"] = "SAME_UPPER"
        elif padding == "VALID":
            attributes["pads"] = [0, 0, 0, 0]
        elif padding == "EXPLICIT":
            p = node.attr["explicit_paddings"]
            attributes["pads"] = [p[2], p[4], p[3], p[5]]
        else:
            raise ValueError(f"{node.name}: padding {padding} is not supported")
        attributes["kernel_shape"] = list(kernel)
        return attributes

    def convolution(self, node, core, x, filter_name, bias_name):
        w = self.weight(filter_name)
        if core == "Conv2D":
            kernel = w.transpose(3, 2, 0, 1)  # HWIO -> OIHW
            group = 1
        else:
            kh, kw, channels, multiplier = w.shape
            # Output channel c * multiplier + m reads input channel c.
            kernel = w.transpose(2, 3, 0, 1).reshape(channels * multiplier, 1, kh, kw)
            group = channels
        inputs = [self.channels_first(x, node.name), self.constant(kernel.astype(np.float32), node.name + "/kernel")]
        if bias_name is not None:
            bias = self.weight(bias_name).astype(np.float32).reshape(-1)
            inputs.append(self.constant(bias, node.name + "/bias"))
        attributes = self.spatial(node, kernel.shape[2:])
        if group != 1:
            attributes["group"] = group
        conv = self.add("Conv", inputs, self.fresh(node.name + "/conv"), **attributes)
        return self.add("Transpose", [conv], self.fresh(node.name + "/to_nhwc"), perm=TO_CHANNELS_LAST)

    def activation(self, op, x, name, node, alpha=None):
        if op == "Relu":
            return self.add("Relu", [x], name)
        if op == "Relu6":
            low = self.constant(np.array(0, np.float32), name + "/min")
            high = self.constant(np.array(6, np.float32), name + "/max")
            return self.add("Clip", [x, low, high], name)
        if op in ("Sigmoid", "Tanh", "Selu"):
            return self.add(op, [x], name)
        if op == "Elu":
            return self.add("Elu", [x], name, alpha=1.0)
        if op == "LeakyRelu":
            return self.add("LeakyRelu", [x], name, alpha=float(node.attr.get("alpha", 0.2)))
        if op == "Prelu":
            return self.add("PRelu", [x, self.value(alpha)], name)
        raise ValueError(f"activation {op} is not supported")

    def convert(self, node):
        op, name = node.op, node.name
        ins = node.inputs
        if op == "Const":
            return
        if op == "Placeholder":
            shape = [self.batch if d < 0 else d for d in node.attr.get("shape", [])]
            self.inputs.append(helper.make_tensor_value_info(name, TensorProto.FLOAT, shape))
            self.names[name] = name
            return
        binary = {"Add": "Add", "AddV2": "Add", "BiasAdd": "Add", "Mul": "Mul", "Sub": "Sub",
                  "RealDiv": "Div", "Maximum": "Max", "Minimum": "Min"}
        if op in FUSED_CORE:
            ops = fused_ops(node)
            core = FUSED_CORE[op]
            if core == "MatMul":
                product = self.add("MatMul", [self.matmul_operand(node, 0), self.matmul_operand(node, 1)],
                                   self.fresh(name + "/matmul"))
                out = self.add("Add", [product, self.value(ins[2])], name if len(ops) == 1 else self.fresh(name + "/bias"))
            else:
                out = self.convolution(node, core, self.value(ins[0]), ins[1], ins[2])
                if len(ops) == 1:
                    out = self.add("Identity", [out], name)
            if len(ops) == 2:
                out = self.activation(ops[1], out, name, node, ins[3] if ops[1] == "Prelu" else None)
        elif op in ("Conv2D", "DepthwiseConv2dNative"):
            out = self.add("Identity", [self.convolution(node, op, self.value(ins[0]), ins[1], None)], name)
        elif op in binary:
            out = self.add(binary[op], [self.value(ins[0]), self.value(ins[1])], name)
        elif op in ("Relu", "Relu6", "Sigmoid", "Tanh", "Elu", "Selu", "LeakyRelu"):
            out = self.activation(op, self.value(ins[0]), name, node)
        elif op == "Prelu":
            out = self.activation("Prelu", self.value(ins[0]), name, node, ins[1])
        elif op in ("Identity", "StopGradient"):
            out = self.add("Identity", [self.value(ins[0])], name)
        elif op == "Mean":
            axes = [int(a) for a in np.ravel(self.weight(ins[1]))]
            out = self.add("ReduceMean", [self.value(ins[0])], name, axes=axes,
                           keepdims=int(node.attr.get("keep_dims", False)))
        elif op == "ResizeBilinear":
            out = self.resize(node)
        elif op == "ConcatV2":
            axis = int(self.weight(ins[-1]))
            out = self.add("Concat", [self.value(i) for i in ins[:-1]], name, axis=axis)
        elif op == "Reshape":
            shape = self.constant(np.ravel(self.weight(ins[1])).astype(np.int64), name + "/shape")
            out = self.add("Reshape", [self.value(ins[0]), shape], name)
        elif op == "MaxPool":
            kernel = node.attr["ksize"]
            if kernel[0] != 1 or kernel[3] != 1:
                raise ValueError(f"{name}: pooling across the batch or channels is not supported")
            x = self.channels_first(self.value(ins[0]), name)
            pooled = self.add("MaxPool", [x], self.fresh(name + "/pool"), **self.spatial(node, kernel[1:3]))
            out = self.add("Transpose", [pooled], name, perm=TO_CHANNELS_LAST)
        elif op in ("Pad", "PadV2"):
            paddings = self.weight(ins[1]).astype(np.int64)
            pads = self.constant(np.concatenate([paddings[:, 0], paddings[:, 1]]), name + "/pads")
            inputs = [self.value(ins[0]), pads]
            if op == "PadV2":
                inputs.append(self.value(ins[2]))
            out = self.add("Pad", inputs, name)
        else:
            raise ValueError(f"{name}: operation {op} is not supported")
        self.names[name] = out

    def matmul_operand(self, node, index):
        x = self.value(node.inputs[index])
        if node.attr.get("transpose_a" if index == 0 else "transpose_b"):
            x = self.add("Transpose", [x], self.fresh(node.name + "/transpose"), perm=[1, 0])
        return x

    def resize(self, node):
        name = node.name
        size = np.ravel(self.weight(node.inputs[1])).astype(np.int64)
        if node.attr.get("align_corners"):
            mode = "align_corners"
        elif node.attr.get("half_pixel_centers"):
            mode = "half_pixel"
        else:
            mode = "asymmetric"
        x = self.channels_first(self.value(node.inputs[0]), name)
        shape = self.add("Shape", [x], self.fresh(name + "/shape"))
        outer = self.add("Slice", [shape, self.constant(np.array([0], np.int64), name + "/start"),
                                   self.constant(np.array([2], np.int64), name + "/end")],
                         self.fresh(name + "/outer"))
        sizes = self.add("Concat", [outer, self.constant(size, name + "/size")],
                         self.fresh(name + "/sizes"), axis=0)
        resized = self.add("Resize", [x, "", "", sizes], self.fresh(name + "/resize"),
                           mode="linear", coordinate_transformation_mode=mode)
        return self.add("Transpose", [resized], name, perm=TO_CHANNELS_LAST)


def convert(graph, outputs, channels_first, batch, source):
    converter = Converter(graph, batch)
    for node in graph.needed(outputs):
        converter.convert(node)
    graph_outputs = []
    for output in outputs:
        inner = converter.names[tensor_name(output)[0]]
        if channels_first:
            # The NHWC tensor gets another name so the output keeps the TF one.
            renamed = inner + ":channels_last"
            for node in converter.nodes:
                if inner in node.output:
                    node.name = renamed
                node.output[:] = [renamed if o == inner else o for o in node.output]
                node.input[:] = [renamed if i == inner else i for i in node.input]
            converter.add("Transpose", [renamed], output, perm=TO_CHANNELS_FIRST)
        graph_outputs.append(helper.make_tensor_value_info(output, TensorProto.FLOAT, None))
    onnx_graph = helper.make_graph(converter.nodes, os.path.basename(source), converter.inputs,
                                   graph_outputs, converter.initializers)
    model = helper.make_model(onnx_graph, opset_imports=[helper.make_opsetid("", OPSET)],
                              producer_name="vell tfjs_to_onnx.py")
    model.doc_string = f"converted from the TensorFlow.js graph model {os.path.basename(source)}"
    model = onnx.shape_inference.infer_shapes(model)
    onnx.checker.check_model(model)
    return model


def check(graph, model, model_path, outputs, args):
    placeholder = [n for n in graph.needed(outputs) if n.op == "Placeholder"]
    if len(placeholder) != 1:
        raise ValueError("the check needs a graph of exactly one input")
    shape = [args.batch if d < 0 else d for d in placeholder[0].attr["shape"]]
    if len(shape) != 4 or shape[0] != 1 or shape[3] != 3:
        raise ValueError(f"the check needs an input of shape [1, H, W, 3], not {shape}")
    samples = np.fromfile(args.check, dtype=np.uint8)
    if samples.size != shape[1] * shape[2] * 3:
        raise ValueError(f"{args.check} does not hold {shape[2]} x {shape[1]} RGB samples")
    picture = (samples.astype(np.float32) * args.input_scale + args.input_offset).reshape(shape)
    expected = tfjs_reference.evaluate(graph, {placeholder[0].name: picture}, outputs)
    with tempfile.TemporaryDirectory() as work:
        picture.tofile(os.path.join(work, "input.f32"))
        listing = subprocess.run([args.runner, model_path, os.path.join(work, "input.f32"), work]
                                 + [str(d) for d in shape], check=True, capture_output=True, text=True)
        found = {}
        for index, line in enumerate(listing.stdout.splitlines()):
            name, *dims = line.split()
            found[name] = np.fromfile(os.path.join(work, f"{index}.f32"), dtype=np.float32).reshape(
                [int(d) for d in dims])
    worst = 0.0
    for output, reference in zip(outputs, expected):
        if args.channels_first and reference.ndim == 4:
            reference = reference.transpose(TO_CHANNELS_FIRST)
        result = found.get(output)
        if result is None or result.shape != reference.shape:
            raise ValueError(f"output {output}: shape {None if result is None else result.shape} "
                             f"where the reference has {reference.shape}")
        scale = max(1.0, float(np.abs(reference).max()))
        difference = float(np.abs(result - reference).max()) / scale
        if not difference <= args.tolerance:
            raise ValueError(f"output {output} differs from the reference by {difference:.3g} "
                             f"of its largest magnitude {scale:.3g} (tolerance {args.tolerance:g})")
        worst = max(worst, difference)
    return worst


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("model")
    parser.add_argument("out")
    parser.add_argument("--outputs", required=True, help="comma-separated node names")
    parser.add_argument("--channels-first", action="store_true")
    parser.add_argument("--batch", type=int, default=1)
    parser.add_argument("--check", required=True, help="raw RGB samples of a picture")
    parser.add_argument("--runner", required=True, help="onnx_run, built from onnx_run.cpp")
    parser.add_argument("--input-scale", type=float, default=1.0)
    parser.add_argument("--input-offset", type=float, default=0.0)
    parser.add_argument("--tolerance", type=float, default=1e-3)
    args = parser.parse_args()
    outputs = [o for o in args.outputs.split(",") if o]
    part = args.out + ".part"
    try:
        graph = Graph(args.model)
        model = convert(graph, outputs, args.channels_first, args.batch, args.model)
        onnx.save(model, part)
        worst = check(graph, model, part, outputs, args)
    except (ValueError, KeyError, OSError, subprocess.CalledProcessError,
            onnx.checker.ValidationError) as error:
        detail = getattr(error, "stderr", "") or ""
        print(f"tfjs_to_onnx: {os.path.basename(args.model)}: {error} {detail}".rstrip(), file=sys.stderr)
        if os.path.exists(part):
            os.remove(part)
        return 1
    os.replace(part, args.out)
    print(f"{os.path.basename(args.out)}: {len(model.graph.node)} nodes; ONNX Runtime matches the "
          f"reference within {worst:.1e} (tolerance {args.tolerance:g})")
    return 0


if __name__ == "__main__":
    sys.exit(main())
