#pragma once

#include <string>
#include <utility>
#include <variant>

namespace vell {

// An expected failure: `text` is for people, and is what programs print.
struct Error {
  std::string text;
};

// Either a value or an Error. Kept small on purpose: callers test it with
// `if (!result)` and read `result.error().text` or `*result`.
template <typename T>
class Result {
 public:
  Result(T value) : state_(std::move(value)) {}
  Result(Error error) : state_(std::move(error)) {}

  explicit operator bool() const { return state_.index() == 0; }
  T& operator*() { return std::get<0>(state_); }
  const T& operator*() const { return std::get<0>(state_); }
  T* operator->() { return &std::get<0>(state_); }
  const T* operator->() const { return &std::get<0>(state_); }
  const Error& error() const { return std::get<1>(state_); }

 private:
  std::variant<T, Error> state_;
};

// A Result with no value: success, or an Error.
struct Done {};
using Status = Result<Done>;

inline Status ok() {
  return Done{};
}

}  // namespace vell
