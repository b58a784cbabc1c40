"""A plain numpy evaluation of a TensorFlow.js graph, written from
TensorFlow's own definitions of its operations (NHWC, SAME padding with the
extra row and column at the end, ResizeBilinear's three coordinate modes):
the reference that a converted model is checked against. Slow but simple;
only the operations our models use.
"""

import numpy as np

from tfjs_graph import FUSED_CORE, fused_ops, tensor_name


def same_padding(size, kernel, stride, dilation):
    effective = (kernel - 1) * dilation + 1
    out = -(-size // stride)
    total = max((out - 1) * stride + effective - size, 0)
    return total // 2, total - total // 2


def pad_spatial(x, node, kernel_h, kernel_w, fill=0.0):
    strides = node.attr.get("strides", [1, 1, 1, 1])
    dilations = node.attr.get("dilations", [1, 1, 1, 1]) or [1, 1, 1, 1]
    padding = node.attr.get("padding", "VALID")
    if node.attr.get("data_format", "NHWC") != "NHWC":
        raise ValueError(f"{node.name}: only NHWC is supported")
    if padding == "SAME":
        top, bottom = same_padding(x.shape[1], kernel_h, strides[1], dilations[1])
        left, right = same_padding(x.shape[2], kernel_w, strides[2], dilations[2])
    elif padding == "VALID":
        top = bottom = left = right = 0
    elif padding == "EXPLICIT":
        p = node.attr["explicit_paddings"]
        top, bottom, left, right = p[2], p[3], p[4], p[5]
    else:
        raise ValueError(f"{node.name}: padding {padding} is not supported")
    x = np.pad(x, ((0, 0), (top, bottom), (left, right), (0, 0)), constant_values=fill)
    return x, strides[1], strides[2], dilations[1], dilations[2]


def windows(x, kernel_h, kernel_w, sh, sw, dh, dw):
    """(i, j, view) for each kernel offset: the input samples that offset
    sees for every output position."""
    out_h = (x.shape[1] - ((kernel_h - 1) * dh + 1)) // sh + 1
    out_w = (x.shape[2] - ((kernel_w - 1) * dw + 1)) // sw + 1
    for i in range(kernel_h):
        for j in range(kernel_w):
            yield i, j, x[:, i * dh:i * dh + (out_h - 1) * sh + 1:sh, j * dw:j * dw + (out_w - 1) * sw + 1:sw, :]


def conv2d(node, x, w):
    kh, kw, cin, cout = w.shape
    if x.shape[3] != cin:
        raise ValueError(f"{node.name}: {x.shape[3]} channels into a filter for {cin}")
    x, sh, sw, dh, dw = pad_spatial(x, node, kh, kw)
    out = None
    for i, j, view in windows(x, kh, kw, sh, sw, dh, dw):
        part = view.reshape(-1, cin) @ w[i, j]
        out = part if out is None else out + part
    return out.reshape(view.shape[:3] + (cout,))


def depthwise(node, x, w):
    kh, kw, channels, multiplier = w.shape
    x, sh, sw, dh, dw = pad_spatial(x, node, kh, kw)
    out = 0
    for i, j, view in windows(x, kh, kw, sh, sw, dh, dw):
        # Output channel c * multiplier + m comes from input channel c.
        out = out + view[..., :, None] * w[i, j]
    return out.reshape(out.shape[:3] + (channels * multiplier,))


def max_pool(node, x):
    kernel = node.attr["ksize"]
    x, sh, sw, dh, dw = pad_spatial(x, node, kernel[1], kernel[2], fill=-np.inf)
    result = None
    for _, _, view in windows(x, kernel[1], kernel[2], sh, sw, dh, dw):
        result = view if result is None else np.maximum(result, view)
    return result


def resize_bilinear(node, x, size):
    out_h, out_w = (int(v) for v in size)
    align = node.attr.get("align_corners", False)
    half = node.attr.get("half_pixel_centers", False)

    def weights(out_size, in_size):
        if align and out_size > 1:
            scale = (in_size - 1) / (out_size - 1)
        else:
            scale = in_size / out_size
        positions = np.arange(out_size, dtype=np.float64)
        source = (positions + 0.5) * scale - 0.5 if half else positions * scale
        floor = np.floor(source)
        lower = np.clip(floor, 0, in_size - 1).astype(np.int64)
        upper = np.clip(np.ceil(source), 0, in_size - 1).astype(np.int64)
        return lower, upper, (source - floor).astype(np.float32)

    top, bottom, dy = weights(out_h, x.shape[1])
    left, right, dx = weights(out_w, x.shape[2])
    dy = dy[None, :, None, None]
    dx = dx[None, None, :, None]
    upper_row = x[:, top][:, :, left] * (1 - dx) + x[:, top][:, :, right] * dx
    lower_row = x[:, bottom][:, :, left] * (1 - dx) + x[:, bottom][:, :, right] * dx
    return upper_row * (1 - dy) + lower_row * dy


def activation(name, x, alpha=None, node=None):
    if name == "Relu":
        return np.maximum(x, 0)
    if name == "Relu6":
        return np.clip(x, 0, 6)
    if name == "Sigmoid":
        return 1 / (1 + np.exp(-x))
    if name == "Tanh":
        return np.tanh(x)
    if name == "Elu":
        return np.where(x > 0, x, np.expm1(x))
    if name == "Selu":
        return 1.0507009873554805 * np.where(x > 0, x, 1.6732632423543772 * np.expm1(x))
    if name == "LeakyRelu":
        return np.where(x > 0, x, x * node.attr.get("alpha", 0.2))
    if name == "Prelu":
        return np.where(x > 0, x, x * alpha)
    raise ValueError(f"activation {name} is not supported")


BINARY = {"Add": np.add, "AddV2": np.add, "Mul": np.multiply, "Sub": np.subtract,
          "RealDiv": np.divide, "Maximum": np.maximum, "Minimum": np.minimum}


def evaluate(graph, feeds, outputs):
    """The values of `outputs` (names) with `feeds` (name -> array) for the
    placeholders, computed in float64 where numpy likes it, returned as
    float32."""
    values = {}

    def get(name):
        node, index = tensor_name(name)
        if index != 0:
            raise ValueError(f"{name}: only first outputs are supported")
        return values[node]

    for node in graph.needed(outputs):
        op = node.op
        args = [get(i) for i in node.inputs]
        if op == "Const":
            value = graph.weights[node.name]
        elif op == "Placeholder":
            value = np.asarray(feeds[node.name], dtype=np.float32)
        elif op in ("Identity", "StopGradient"):
            value = args[0]
        elif op in FUSED_CORE:
            ops = fused_ops(node)
            core = FUSED_CORE[op]
            if core == "Conv2D":
                value = conv2d(node, args[0], args[1])
            elif core == "DepthwiseConv2dNative":
                value = depthwise(node, args[0], args[1])
            else:
                a = args[0].T if node.attr.get("transpose_a") else args[0]
                b = args[1].T if node.attr.get("transpose_b") else args[1]
                value = a @ b
            value = value + args[2]
            if len(ops) == 2:
                value = activation(ops[1], value, args[3] if ops[1] == "Prelu" else None, node)
        elif op == "Conv2D":
            value = conv2d(node, args[0], args[1])
        elif op == "DepthwiseConv2dNative":
            value = depthwise(node, args[0], args[1])
        elif op == "BiasAdd":
            value = args[0] + args[1]
        elif op in BINARY:
            value = BINARY[op](args[0], args[1])
        elif op == "Prelu":
            value = activation("Prelu", args[0], args[1])
        elif op in ("Relu", "Relu6", "Sigmoid", "Tanh", "Elu", "Selu", "LeakyRelu"):
            value = activation(op, args[0], node=node)
        elif op == "Mean":
            axes = tuple(int(a) for a in np.ravel(args[1]))
            value = args[0].mean(axis=axes, keepdims=node.attr.get("keep_dims", False))
        elif op == "ResizeBilinear":
            value = resize_bilinear(node, args[0], args[1])
        elif op == "ConcatV2":
            value = np.concatenate(args[:-1], axis=int(args[-1]))
        elif op == "Reshape":
            value = args[0].reshape([int(v) for v in np.ravel(args[1])])
        elif op == "MaxPool":
            value = max_pool(node, args[0])
        elif op in ("Pad", "PadV2"):
            constant = float(args[2]) if op == "PadV2" else 0.0
            value = np.pad(args[0], [tuple(int(v) for v in row) for row in args[1]],
                           constant_values=constant)
        else:
            raise ValueError(f"{node.name}: operation {op} is not supported")
        if value.dtype == np.float64:
            value = value.astype(np.float32)
        values[node.name] = value
    return [get(name) for name in outputs]
