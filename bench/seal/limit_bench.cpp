// The floor under vell-seal's "seal" and "open": the work a request cannot
// avoid, done in memory with no line, no JSON and no system call. For each
// size: AES-256-GCM alone, and base64 decoding of the request's data,
// AES-256-GCM and base64 encoding of the answer's, with the service's own
// codec and the platform's cipher. Prints "<what> <size> <operations per
// CPU second>" lines: limit_bench SIZE...
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/median_timing.hpp"
#include "platform/crypto/crypto.hpp"
#include "seal/base64.hpp"

namespace {

using namespace vell;

constexpr std::size_t kRoom = platform::kGcmNonceSize + platform::kGcmTagSize;

// Operations per CPU second of `step`, repeated for about 0.3 s, best of 5.
template <typename Step>
double rate(Step step) {
  int count = 1;
  while (true) {
    double start = bench::cpuNowMs();
    for (int i = 0; i < count; ++i)
      step();
    if (bench::cpuNowMs() - start > 300)
      break;
    count *= 2;
  }
  double best = 1e300;
  for (int run = 0; run < 5; ++run) {
    double start = bench::cpuNowMs();
    for (int i = 0; i < count; ++i)
      step();
    best = std::min(best, bench::cpuNowMs() - start);
  }
  return count / (best / 1e3);
}

void check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "limit_bench: %s failed\n", what);
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  platform::Bytes key(32, 0x5a);
  platform::ByteView aad(reinterpret_cast<const std::uint8_t*>("bench"), 5);
  for (int i = 1; i < argc; ++i) {
    std::size_t size = std::strtoull(argv[i], nullptr, 10);
    platform::Bytes plaintext(size);
    for (std::size_t k = 0; k < size; ++k)
      plaintext[k] = static_cast<std::uint8_t>(k * 131 + 7);
    std::string plainText(seal::encodedSize(size), '\0');
    seal::encodeBase64(plaintext, plainText.data());
    auto sealed = platform::aesGcmSeal(key, plaintext, aad);
    check(static_cast<bool>(sealed), "seal");
    std::string sealedText(seal::encodedSize(sealed->size()), '\0');
    seal::encodeBase64(*sealed, sealedText.data());

    std::vector<std::uint8_t> buffer(seal::decodedRoom(sealedText.size()) + kRoom);
    std::string answer(seal::encodedSize(buffer.size()), '\0');

    double gcm = rate([&] {
      std::span<std::uint8_t> combined(buffer.data(), size + kRoom);
      check(static_cast<bool>(platform::aesGcmSealInPlace(key, aad, combined)), "seal");
    });
    double sealRate = rate([&] {
      auto decoded = seal::decodeMember(plainText, buffer.data() + platform::kGcmNonceSize);
      check(decoded == size, "decode");
      std::span<std::uint8_t> combined(buffer.data(), size + kRoom);
      check(static_cast<bool>(platform::aesGcmSealInPlace(key, aad, combined)), "seal");
      seal::encodeBase64(combined, answer.data());
    });
    double openRate = rate([&] {
      auto decoded = seal::decodeMember(sealedText, buffer.data());
      check(decoded == size + kRoom, "decode");
      std::span<std::uint8_t> combined(buffer.data(), *decoded);
      check(static_cast<bool>(platform::aesGcmOpenInPlace(key, aad, combined)), "open");
      seal::encodeBase64(combined.subspan(platform::kGcmNonceSize, size), answer.data());
    });
    std::printf("gcm %zu %.0f\nseal %zu %.0f\nopen %zu %.0f\n", size, gcm, size, sealRate, size,
                openRate);
  }
  return 0;
}
