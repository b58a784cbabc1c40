#pragma once

// The exit statuses of vell-cutout and its fixed messages.

#include <string_view>

namespace vell::cutout {

enum class Exit {
  written = 0,
  usage = 2,
  unreadable = 3,
  noSubject = 4,
  failed = 5,  // the vision request, the masking or the PNG writing; the error is printed
};

namespace message {
inline constexpr std::string_view usage = "usage: vell-cutout in out.png";
inline constexpr std::string_view unreadable = "unreadable";
inline constexpr std::string_view noSubject = "no subject";
inline constexpr std::string_view outputIsInput = "the output is the input picture itself";
}  // namespace message

}  // namespace vell::cutout
