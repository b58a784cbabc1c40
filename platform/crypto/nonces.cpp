#include "platform/crypto/nonces.hpp"

#include <openssl/err.h>
#include <openssl/rand.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>

namespace vell::platform {

namespace {

constexpr std::size_t kNonceSize = 12;

// One page: the count of nonces left and the nonces themselves. The count
// lives in the page too, so a child process sees it as zero.
struct Stock {
  std::uint32_t left;
  std::uint8_t bytes[(4096 - sizeof(std::uint32_t)) / kNonceSize * kNonceSize];
};
constexpr std::uint32_t kStockNonces = sizeof(Stock::bytes) / kNonceSize;
static_assert(sizeof(Stock) <= 4096);

Status drawn(std::uint8_t* bytes, std::size_t size) {
  if (RAND_bytes(bytes, static_cast<int>(size)) == 1)
    return ok();
  ERR_clear_error();
  return Error{"the random generator failed"};
}

class NonceStock {
 public:
  NonceStock() {
    void* page =
        ::mmap(nullptr, sizeof(Stock), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED)
      return;
    if (::madvise(page, sizeof(Stock), MADV_WIPEONFORK) != 0) {
      ::munmap(page, sizeof(Stock));
      return;
    }
    ::madvise(page, sizeof(Stock), MADV_DONTDUMP);
    stock_ = static_cast<Stock*>(page);  // fresh anonymous memory: left == 0
  }

  ~NonceStock() {
    if (stock_) {
      explicit_bzero(stock_, sizeof(Stock));
      ::munmap(stock_, sizeof(Stock));
    }
  }

  NonceStock(const NonceStock&) = delete;
  NonceStock& operator=(const NonceStock&) = delete;

  Status take(std::uint8_t* nonce) {
    if (!stock_)
      return drawn(nonce, kNonceSize);
    if (stock_->left == 0) {
      if (auto filled = drawn(stock_->bytes, sizeof stock_->bytes); !filled)
        return filled;
      stock_->left = kStockNonces;
    }
    std::uint8_t* next = stock_->bytes + --stock_->left * kNonceSize;
    memcpy(nonce, next, kNonceSize);
    explicit_bzero(next, kNonceSize);
    return ok();
  }

 private:
  Stock* stock_ = nullptr;
};

}  // namespace

Status freshNonce(std::uint8_t* nonce) {
  // One stock a thread: no lock on the way to a nonce.
  thread_local NonceStock stock;
  return stock.take(nonce);
}

}  // namespace vell::platform
