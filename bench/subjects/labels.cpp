#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>

#include "bench/subjects/subjects.hpp"

namespace vell::bench {

namespace {

UnitBox boxFrom(const nlohmann::json& value) {
  return {value.at(0).get<double>(), value.at(1).get<double>(), value.at(2).get<double>(),
          value.at(3).get<double>()};
}

}  // namespace

Labels readLabels(const fs::path& file) {
  Labels labels;
  try {
    std::ifstream in(file);
    nlohmann::json json = nlohmann::json::parse(in);
    for (const auto& p : json.at("photos"))
      labels.photos.push_back({p.at("name"), p.at("file"), p.at("kind"),
                               p.at("set").get<std::string>() == "held-out", boxFrom(p.at("box"))});
    for (const auto& c : json.at("composites"))
      labels.composites.push_back({c.at("name"), c.at("cutout"), c.at("background"),
                                   c.at("at").at(0).get<double>(), c.at("at").at(1).get<double>(),
                                   c.at("height").get<double>(),
                                   c.value("set", "tuning") == "held-out"});
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench: %s: %s\n", file.c_str(), error.what());
    std::exit(1);
  }
  return labels;
}

}  // namespace vell::bench
