// Runs an ONNX model once with ONNX Runtime, for the set-up's checks of the
// models it converts (Python has no binding to the engine here).
//
//   onnx_run MODEL INPUT.f32 OUT_FOLDER D0 D1 ...
//
// INPUT.f32 holds the model's single input, float32 in the machine's byte
// order, of shape D0 x D1 x ...; each output, in the model's order, goes to
// OUT_FOLDER/<index>.f32 the same way, and one line "name d0 d1 ..." per
// output goes to standard output. Exit status 1 with a message on failure.

#include <onnxruntime_cxx_api.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: onnx_run MODEL INPUT.f32 OUT_FOLDER D0 D1 ...\n");
    return 2;
  }
  try {
    std::vector<int64_t> shape;
    size_t count = 1;
    for (int i = 4; i < argc; ++i) {
      shape.push_back(std::atoll(argv[i]));
      count *= static_cast<size_t>(shape.back());
    }
    std::ifstream in(argv[2], std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    if (bytes.size() != count * sizeof(float)) {
      std::fprintf(stderr, "onnx_run: %s does not hold %zu floats\n", argv[2], count);
      return 1;
    }
    std::vector<float> input(count);
    std::copy(bytes.begin(), bytes.end(), reinterpret_cast<char*>(input.data()));

    Ort::Env env(ORT_LOGGING_LEVEL_ERROR, "onnx_run");
    Ort::SessionOptions options;
    options.SetIntraOpNumThreads(1);
    Ort::Session session(env, argv[1], options);
    Ort::AllocatorWithDefaultOptions allocator;
    auto inputName = session.GetInputNameAllocated(0, allocator);
    std::vector<Ort::AllocatedStringPtr> names;
    std::vector<const char*> outputNames;
    for (size_t i = 0; i < session.GetOutputCount(); ++i) {
      names.push_back(session.GetOutputNameAllocated(i, allocator));
      outputNames.push_back(names.back().get());
    }
    auto memory = Ort::MemoryInfo::CreateCpu(OrtDeviceAllocator, OrtMemTypeDefault);
    auto value = Ort::Value::CreateTensor<float>(memory, input.data(), input.size(), shape.data(),
                                                 shape.size());
    const char* inputNames[] = {inputName.get()};
    auto outputs = session.Run(Ort::RunOptions{nullptr}, inputNames, &value, 1,
                               outputNames.data(), outputNames.size());
    for (size_t i = 0; i < outputs.size(); ++i) {
      auto info = outputs[i].GetTensorTypeAndShapeInfo();
      if (info.GetElementType() != ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT) {
        std::fprintf(stderr, "onnx_run: output %s is not of floats\n", outputNames[i]);
        return 1;
      }
      std::string path = std::string(argv[3]) + "/" + std::to_string(i) + ".f32";
      std::ofstream out(path, std::ios::binary);
      out.write(reinterpret_cast<const char*>(outputs[i].GetTensorData<float>()),
                static_cast<std::streamsize>(info.GetElementCount() * sizeof(float)));
      if (!out) {
        std::fprintf(stderr, "onnx_run: cannot write %s\n", path.c_str());
        return 1;
      }
      std::printf("%s", outputNames[i]);
      for (auto d : info.GetShape())
        std::printf(" %lld", static_cast<long long>(d));
      std::printf("\n");
    }
  } catch (const Ort::Exception& e) {
    std::fprintf(stderr, "onnx_run: %s\n", e.what());
    return 1;
  }
  return 0;
}
