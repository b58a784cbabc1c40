#include "platform/vision/inference.hpp"

#include <onnxruntime_cxx_api.h>
#include <sched.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

#include "platform/vision/models.hpp"

namespace vell::platform::vision {

// Bounds the runs in progress: more runs at once than there are processors
// for them only adds the memory of every run's activations.
class RunGate {
 public:
  explicit RunGate(int runs) : free_(runs) {}
  void enter() {
    std::unique_lock lock(guard_);
    changed_.wait(lock, [this] { return free_ > 0; });
    --free_;
  }
  void leave() {
    {
      std::lock_guard lock(guard_);
      ++free_;
    }
    changed_.notify_one();
  }

 private:
  std::mutex guard_;
  std::condition_variable changed_;
  int free_;
};

struct Network::Session {
  Ort::Session session{nullptr};
  std::string inputName;
  std::vector<std::string> outputNames;
  RunGate* gate = nullptr;
};

namespace {

std::atomic<int> requestedThreads{0};

// The prebuilt ONNX Runtime records usage for its vendor unless told not to,
// when the environment is made: a device identifier and an event store in
// the user's cache folder, a log file a process in the temporary folder, and
// a thread nobody joins, which can still be reading freed memory while the
// program exits. Set before main, while the process has a single thread, so
// that no other thread reads the environment as it changes.
[[maybe_unused]] const bool usageRecordingOff = [] {
  ::setenv("ORT_DISABLE_TELEMETRY", "1", 1);
  return true;
}();

// The engine's messages would reach the programs' standard error, which
// belongs to their own vocabulary; failures come back as exceptions anyway.
void discardLog(void*, OrtLoggingLevel, const char*, const char*, const char*, const char*) {}

// The process's one environment and its networks. The threads of a run come
// from one pool for all networks, made with the environment: sessions with
// threads of their own would each hold a pool, and runs of different
// networks on different workers would fight over the processors.
class Engine {
 public:
  static Engine& instance() {
    static Engine engine;
    return engine;
  }

  Result<std::shared_ptr<const Network>> load(const std::filesystem::path& path,
                                              Preparation preparation) {
    std::shared_ptr<Slot> slot;
    {
      std::lock_guard lock(guard_);
      auto& entry = slots_[path];
      if (!entry)
        entry = std::make_shared<Slot>();
      slot = entry;
    }
    // One load per path; other paths load meanwhile.
    std::lock_guard lock(slot->guard);
    if (slot->network)
      return std::shared_ptr<const Network>(slot->network);
    auto made = open(path, preparation);
    if (!made)
      return made.error();
    slot->network = std::make_shared<const Network>(std::move(*made));
    return std::shared_ptr<const Network>(slot->network);
  }

 private:
  struct Slot {
    std::mutex guard;
    std::shared_ptr<const Network> network;
  };

  Engine()
      : threads_(threadsPerRun()),
        env_(threading(threads_), discardLog, nullptr, ORT_LOGGING_LEVEL_WARNING, "vell"),
        gate_(std::max(1, processorCount() / threads_)) {}

  static int threadsPerRun() {
    int threads = requestedThreads.load();
    return threads > 0 ? threads : processorCount();
  }

  static Ort::ThreadingOptions threading(int threads) {
    Ort::ThreadingOptions options;
    options.SetGlobalIntraOpNumThreads(threads);
    options.SetGlobalInterOpNumThreads(1);
    // Spinning between operators keeps a processor busy that a second
    // worker, or the decoder beside the analysis, could use.
    options.SetGlobalSpinControl(0);
    return options;
  }

  Result<std::unique_ptr<Network::Session>> open(const std::filesystem::path& path,
                                                 Preparation preparation) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
      return Error{"model missing: " + path.string()};
    try {
      Ort::SessionOptions options;
      options.DisablePerSessionThreads();
      options.SetGraphOptimizationLevel(preparation == Preparation::thorough
                                            ? GraphOptimizationLevel::ORT_ENABLE_ALL
                                            : GraphOptimizationLevel::ORT_ENABLE_EXTENDED);
      // Without the engine's own arena, the memory of a run goes back to the
      // heap when it ends, instead of staying with the network at its peak.
      options.DisableCpuMemArena();
      auto made = std::make_unique<Network::Session>();
      made->session = Ort::Session(env_, path.c_str(), options);
      made->gate = &gate_;
      if (made->session.GetInputCount() != 1)
        return Error{"model unreadable: " + path.string() + ": not a network of one input"};
      Ort::AllocatorWithDefaultOptions allocator;
      made->inputName = made->session.GetInputNameAllocated(0, allocator).get();
      for (size_t i = 0; i < made->session.GetOutputCount(); ++i)
        made->outputNames.emplace_back(made->session.GetOutputNameAllocated(i, allocator).get());
      return made;
    } catch (const Ort::Exception& e) {
      return Error{"model unreadable: " + path.string() + ": " + e.what()};
    }
  }

  const int threads_;
  // Declared before the networks, destroyed after them: sessions need their
  // environment, runs their gate.
  Ort::Env env_;
  RunGate gate_;
  std::mutex guard_;
  std::map<std::filesystem::path, std::shared_ptr<Slot>> slots_;
};

}  // namespace

std::size_t Tensor::count() const {
  std::size_t total = 1;
  for (auto dimension : shape) {
    if (dimension < 0)
      return 0;
    total *= static_cast<std::size_t>(dimension);
  }
  return total;
}

Network::Network(std::unique_ptr<Session> session) : session_(std::move(session)) {}

Network::~Network() = default;

const std::vector<std::string>& Network::outputNames() const {
  return session_->outputNames;
}

Result<std::vector<Tensor>> Network::run(const Tensor& input,
                                         const std::vector<std::string>& outputs) const {
  if (input.values.size() != input.count() || input.values.empty())
    return Error{"inference: the input's values do not match its shape"};
  const std::vector<std::string>& wanted = outputs.empty() ? session_->outputNames : outputs;
  for (const auto& name : wanted)
    if (std::find(session_->outputNames.begin(), session_->outputNames.end(), name) ==
        session_->outputNames.end())
      return Error{"inference: the network has no output " + name};
  std::vector<const char*> names;
  for (const auto& name : wanted)
    names.push_back(name.c_str());
  const char* inputName = session_->inputName.c_str();
  try {
    auto memory = Ort::MemoryInfo::CreateCpu(OrtDeviceAllocator, OrtMemTypeDefault);
    // The engine only reads its inputs.
    auto value = Ort::Value::CreateTensor<float>(memory, const_cast<float*>(input.values.data()),
                                                 input.values.size(), input.shape.data(),
                                                 input.shape.size());
    session_->gate->enter();
    struct Leave {
      RunGate* gate;
      ~Leave() { gate->leave(); }
    } leave{session_->gate};
    auto results = session_->session.Run(Ort::RunOptions{nullptr}, &inputName, &value, 1,
                                         names.data(), names.size());
    std::vector<Tensor> tensors;
    for (auto& result : results) {
      auto info = result.GetTensorTypeAndShapeInfo();
      if (info.GetElementType() != ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT)
        return Error{"inference: an output is not of floats"};
      Tensor tensor;
      tensor.shape = info.GetShape();
      const float* data = result.GetTensorData<float>();
      tensor.values.assign(data, data + info.GetElementCount());
      tensors.push_back(std::move(tensor));
    }
    return tensors;
  } catch (const Ort::Exception& e) {
    return Error{std::string("inference: ") + e.what()};
  }
}

Result<std::shared_ptr<const Network>> loadNetwork(const std::string& file,
                                                   Preparation preparation) {
  auto folder = modelsFolder();
  if (folder.empty())
    return Error{"model missing: " + file + " (no models folder)"};
  try {
    return Engine::instance().load(folder / file, preparation);
  } catch (const Ort::Exception& e) {
    // Only the environment itself can fail here.
    return Error{std::string("inference engine unavailable: ") + e.what()};
  }
}

void setInferenceThreads(int threads) {
  requestedThreads.store(std::max(1, threads));
}

int processorCount() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
    return CPU_COUNT(&set);
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace vell::platform::vision
