#include "cover/report.hpp"

#include <unistd.h>

#include <cmath>

#include "common/r3.hpp"

namespace vell::cover {

namespace {

constexpr size_t reportedObjects = 6;

// A fraction rounded to thousandths; whole values are written as integers
// (1, not 1.0), which is how the parent's JSON reader has always seen them.
nlohmann::json number(double value) {
  double rounded = r3(value);
  if (std::isfinite(rounded) && rounded == std::trunc(rounded) && std::fabs(rounded) < 1e15)
    return static_cast<std::int64_t>(rounded);
  return rounded;
}

nlohmann::json boxArray(const Box& b) {
  return nlohmann::json::array({number(b.x), number(b.y), number(b.w), number(b.h)});
}

bool allFinite(const nlohmann::json& value) {
  if (value.is_number_float())
    return std::isfinite(value.get<double>());
  if (value.is_structured()) {
    for (const auto& element : value)
      if (!allFinite(element))
        return false;
  }
  return true;
}

}  // namespace

Report startReport(double IW, double IH, const Geometry& geometry, std::int64_t OW,
                   const std::vector<ObjectRegion>& objects) {
  Report out = nlohmann::json::object();
  out["size"] = {static_cast<std::int64_t>(IW), static_cast<std::int64_t>(IH)};
  out["subject"] = boxArray(geometry.subject);
  out["from"] = geometry.source;
  out["eye"] = {number(geometry.hcx), number(geometry.hcy)};
  out["crop"] = boxArray(geometry.crop);
  out["fit"] = number(geometry.fit);
  out["zoom"] = number(geometry.full / geometry.cw);
  out["up"] = number(static_cast<double>(OW) / geometry.cw);
  nlohmann::json reported = nlohmann::json::array();
  for (size_t i = 0; i < objects.size() && i < reportedObjects; ++i) {
    const Box& b = objects[i].box;
    reported.push_back({number(b.x), number(b.y), number(b.w), number(b.h),
                        number(static_cast<double>(objects[i].confidence))});
  }
  out["objects"] = reported;
  return out;
}

void addAesthetics(Report& out, float overallScore, bool isUtility) {
  out["aes"] = number(static_cast<double>(overallScore));
  out["utility"] = isUtility;
}

void completeReport(Report& out, std::size_t bytes, double q, std::int64_t OW, std::int64_t OH) {
  out["bytes"] = static_cast<std::uint64_t>(bytes);
  out["quality"] = number(q);
  out["out"] = {OW, OH};
}

std::optional<std::string> serialise(const Report& out) {
  if (!allFinite(out))
    return std::nullopt;
  try {
    return out.dump(-1, ' ', false, nlohmann::json::error_handler_t::strict);
  } catch (const nlohmann::json::exception&) {
    return std::nullopt;
  }
}

void emit(const Report& out) {
  std::optional<std::string> text = serialise(out);
  if (!text)
    return;
  text->push_back('\n');
  const char* data = text->data();
  size_t left = text->size();
  while (left > 0) {
    ssize_t written = ::write(STDOUT_FILENO, data, left);
    if (written < 0) {
      if (errno == EINTR)
        continue;
      return;
    }
    data += written;
    left -= static_cast<size_t>(written);
  }
}

}  // namespace vell::cover
