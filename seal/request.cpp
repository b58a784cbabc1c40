#include "seal/request.hpp"

namespace vell::seal {

namespace {

class TopLevelMembers : public nlohmann::json_sax<Json> {
 public:
  Json result = Json::object();
  bool isObject = false;

  bool null() override { return scalar(nullptr); }
  bool boolean(bool value) override { return scalar(value); }
  bool number_integer(number_integer_t value) override { return scalar(value); }
  bool number_unsigned(number_unsigned_t value) override { return scalar(value); }
  bool number_float(number_float_t value, const string_t&) override { return scalar(value); }
  bool binary(binary_t&) override { return false; }

  bool string(string_t& value) override {
    if (depth_ == 1)
      result[key_] = std::move(value);
    return depth_ >= 1;
  }

  bool start_object(std::size_t) override { return open(Json::object()); }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(Json::array()); }
  bool end_array() override { return close(); }

  bool key(string_t& value) override {
    if (depth_ == 1)
      key_ = std::move(value);
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool scalar(Json value) {
    // A scalar at the top is not a request.
    if (depth_ == 0)
      return false;
    if (depth_ == 1)
      result[key_] = std::move(value);
    return true;
  }

  bool open(Json emptyContainer) {
    if (depth_ == 0) {
      if (!emptyContainer.is_object())
        return false;
      isObject = true;
    } else if (depth_ == 1) {
      result[key_] = std::move(emptyContainer);
    }
    ++depth_;
    return true;
  }

  bool close() {
    --depth_;
    return true;
  }

  std::size_t depth_ = 0;
  SecretString key_;
};

}  // namespace

std::optional<Json> readRequest(std::string_view line) {
  TopLevelMembers members;
  // The text parser itself, not Json::sax_parse: that one also instantiates
  // the binary formats' readers, which do not take a custom string type.
  auto input = nlohmann::detail::input_adapter(line.begin(), line.end());
  nlohmann::detail::parser<Json, decltype(input)> parser(std::move(input), nullptr,
                                                         /*allow_exceptions_=*/false);
  bool parsed = parser.sax_parse(&members, /*strict=*/true);
  if (!parsed || !members.isObject)
    return std::nullopt;
  return std::move(members.result);
}

}  // namespace vell::seal
