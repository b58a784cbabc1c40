#pragma once

// Loading a large ONNX network (hundreds of megabytes) quickly in a process
// that starts cold, as a one-shot command-line program does.

#include <opencv2/dnn.hpp>
#include <string>

namespace vell::platform::vision {

// readNetFromONNX for the file at `path`, read through a read-only mapping
// instead of a stream copy. The first call also sets the process's main
// heap up for transparent huge pages (see large_net.cpp). Throws
// cv::Exception like readNetFromONNX when the file cannot be read.
cv::dnn::Net readLargeOnnxNet(const std::string& path);

}  // namespace vell::platform::vision
