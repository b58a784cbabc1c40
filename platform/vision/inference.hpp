#pragma once

// The inference layer every network of the vision services runs on (ONNX
// Runtime): one session per model file, made once per process and shared by
// every thread; float tensors in and out; how many threads one run may use.
// Nothing here throws, exits or prints.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/result.hpp"

namespace vell::platform::vision {

// A dense tensor of 32-bit floats, row-major (the last index varies fastest).
struct Tensor {
  std::vector<std::int64_t> shape;
  std::vector<float> values;

  // The number of values `shape` calls for (0 for a shape with a negative
  // dimension).
  std::size_t count() const;
};

// One network, loaded from a model file.
class Network {
 public:
  struct Session;
  explicit Network(std::unique_ptr<Session> session);
  ~Network();
  Network(const Network&) = delete;
  Network& operator=(const Network&) = delete;

  // Runs the network on `input`, its single input, and returns the outputs
  // named in `outputs`, in that order, or every output in the model's order
  // when `outputs` is empty. Safe to call from several threads at once.
  // Fails when the input does not fit the network, an output is unknown or
  // not of floats, or the engine reports an error.
  Result<std::vector<Tensor>> run(const Tensor& input,
                                  const std::vector<std::string>& outputs = {}) const;

  // The names of the network's outputs, in the model's order.
  const std::vector<std::string>& outputNames() const;

 private:
  std::unique_ptr<Session> session_;
};

// How thoroughly the engine prepares a network as it loads it. `thorough`
// also lays the weights out for this processor's vector units: each run is
// faster, but for a large network the load then takes longer than a run
// (ISNet: 440 ms against 65 ms, runs 370 ms against 470 ms), so it pays
// only for networks run many times in a process.
enum class Preparation { quick, thorough };

// The network of `file` in the models folder (models.hpp). The first call
// for a path loads it, prepared as that call asks; later calls, from any
// thread, share that one network, and threads asking while it loads wait
// for it. A file that is missing, truncated, corrupt or not a model is an
// Error ("model missing: ..." or "model unreadable: ..."), never a crash;
// the next call tries again.
Result<std::shared_ptr<const Network>> loadNetwork(
    const std::string& file, Preparation preparation = Preparation::thorough);

// How many threads one run of a network may use, the caller's included: a
// program that runs `w` requests at once on `c` processors sets about c / w,
// so that runs in parallel do not fight over the processors. Takes effect
// only before the first network is loaded (the engine's threads are made
// then, once); at least 1. Without a call: every processor.
void setInferenceThreads(int threads);

// The processors this process may run on.
int processorCount();

}  // namespace vell::platform::vision
