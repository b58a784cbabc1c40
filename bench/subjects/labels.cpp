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
    auto layerOf = [](const nlohmann::json& l) {
      return Layer{l.at("cutout"), l.at("at").at(0).get<double>(), l.at("at").at(1).get<double>(),
                   l.at("height").get<double>()};
    };
    for (const auto& c : json.at("composites")) {
      Composite composite{
          c.at("name"), {}, c.at("background"), c.value("set", "tuning") == "held-out"};
      if (c.contains("layers"))
        for (const auto& l : c.at("layers"))
          composite.layers.push_back(layerOf(l));
      else
        composite.layers.push_back(layerOf(c));
      labels.composites.push_back(std::move(composite));
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench: %s: %s\n", file.c_str(), error.what());
    std::exit(1);
  }
  return labels;
}

}  // namespace vell::bench
