#include "common/fuzz_driver.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/numbers.hpp"

namespace vell {

namespace {

Bytes readBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes that tend to reach the corners of text parsers.
const std::vector<Bytes> kTokens = {{'"'},
                                    {'\\'},
                                    {'{'},
                                    {'}'},
                                    {'['},
                                    {']'},
                                    {':'},
                                    {','},
                                    {'\n'},
                                    {'\r', '\n'},
                                    {'\t'},
                                    {0},
                                    {0xff},
                                    {0xc3, 0x28},
                                    {0xe2, 0x80, 0x99},
                                    {0xf0, 0x9f, 0x98, 0x80},
                                    {'-'},
                                    {'.'},
                                    {'e', '9', '9', '9'},
                                    {'\\', 'u', 'd', '8', '0', '0'},
                                    {'n', 'u', 'l', 'l'},
                                    {'t', 'r', 'u', 'e'},
                                    {'1', 'e', '3', '0', '8'},
                                    {'9', '9', '9', '9', '9', '9', '9', '9', '9', '9',
                                     '9', '9', '9', '9', '9', '9', '9', '9', '9', '9'}};

// The input under test, written out by the fault handler so that a crash
// can be replayed: `target crash-input`.
const Bytes* currentInput = nullptr;

void saveCurrentInput(int signal) {
  if (currentInput) {
    int fd = ::open("crash-input", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
      ssize_t ignored = ::write(fd, currentInput->data(), currentInput->size());
      (void)ignored;
      ::close(fd);
    }
    const char message[] = "fuzz: fault; input saved as ./crash-input\n";
    ssize_t ignored = ::write(2, message, sizeof message - 1);
    (void)ignored;
  }
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

Mutator::Mutator(std::vector<Bytes> seeds, std::uint64_t seed)
    : seeds_(std::move(seeds)), random_(seed) {}

Bytes Mutator::randomBytes() {
  Bytes data(random_() % 64);
  for (auto& byte : data)
    byte = static_cast<std::uint8_t>(random_());
  return data;
}

void Mutator::mutate(Bytes& data) {
  auto position = [&] { return data.empty() ? 0 : random_() % (data.size() + 1); };
  switch (random_() % 7) {
    case 0:
      if (!data.empty())
        data[random_() % data.size()] ^= static_cast<std::uint8_t>(1u << (random_() % 8));
      break;
    case 1:
      if (!data.empty())
        data[random_() % data.size()] = static_cast<std::uint8_t>(random_());
      break;
    case 2: {
      const Bytes& token = kTokens[random_() % kTokens.size()];
      data.insert(data.begin() + static_cast<long>(position()), token.begin(), token.end());
      break;
    }
    case 3:
      if (!data.empty()) {
        size_t start = random_() % data.size();
        size_t length = 1 + random_() % std::min<size_t>(16, data.size() - start);
        data.erase(data.begin() + static_cast<long>(start),
                   data.begin() + static_cast<long>(start + length));
      }
      break;
    case 4:
      if (!data.empty()) {
        size_t start = random_() % data.size();
        size_t length = 1 + random_() % std::min<size_t>(32, data.size() - start);
        Bytes piece(data.begin() + static_cast<long>(start),
                    data.begin() + static_cast<long>(start + length));
        data.insert(data.begin() + static_cast<long>(position()), piece.begin(), piece.end());
      }
      break;
    case 5:
      if (!seeds_.empty()) {
        const Bytes& other = seeds_[random_() % seeds_.size()];
        if (!other.empty()) {
          size_t start = random_() % other.size();
          data.insert(data.begin() + static_cast<long>(position()),
                      other.begin() + static_cast<long>(start), other.end());
        }
      }
      break;
    default:
      data.resize(position());
      break;
  }
}

Bytes Mutator::next() {
  if (seeds_.empty() || random_() % 16 == 0)
    return randomBytes();
  Bytes data = seeds_[random_() % seeds_.size()];
  int rounds = 1 + static_cast<int>(random_() % 6);
  for (int i = 0; i < rounds; ++i)
    mutate(data);
  return data;
}

int fuzzMain(const std::vector<std::string>& args,
             const std::function<void(std::span<const std::uint8_t>)>& target) {
  std::int64_t runs = -1;
  std::uint64_t seed = 1;
  std::vector<std::filesystem::path> files;
  std::vector<Bytes> corpus;
  for (size_t i = 0; i < args.size(); ++i) {
    bool hasValue = i + 1 < args.size();
    if (args[i] == "--runs" && hasValue) {
      runs = parseInt64(args[++i]).value_or(1000);
    } else if (args[i] == "--seed" && hasValue) {
      seed = static_cast<std::uint64_t>(parseInt64(args[++i]).value_or(1));
    } else if (args[i] == "--corpus" && hasValue) {
      for (const auto& entry : std::filesystem::directory_iterator(args[++i]))
        if (entry.is_regular_file())
          corpus.push_back(readBytes(entry.path()));
    } else {
      files.push_back(args[i]);
    }
  }
  for (const auto& file : files)
    target(readBytes(file));
  if (runs > 0) {
    for (int signal : {SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL})
      std::signal(signal, saveCurrentInput);
    Mutator mutator(corpus, seed);
    for (std::int64_t i = 0; i < runs; ++i) {
      Bytes input = mutator.next();
      currentInput = &input;
      target(input);
      currentInput = nullptr;
    }
    std::printf("%lld mutated inputs, %zu replayed files: no fault\n", static_cast<long long>(runs),
                files.size());
  }
  return 0;
}

}  // namespace vell
