// Feeds arbitrary command lines (arguments separated by NUL bytes) through
// the argument scan, the settings, the blur regions and the crop choice, and
// checks what must hold whatever the input.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cover/geometry.hpp"
#include "cover/report.hpp"
#include "cover/settings.hpp"
#include "cover/working_image.hpp"

namespace {

void check(bool condition) {
  if (!condition)
    std::abort();
}

std::vector<std::string> argumentsOf(const std::uint8_t* data, size_t size) {
  std::vector<std::string> args(1);
  for (size_t i = 0; i < size; ++i) {
    if (data[i] == 0)
      args.emplace_back();
    else
      args.back().push_back(static_cast<char>(data[i]));
  }
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
  using namespace vell::cover;
  const CommandLine commandLine = scanArguments(argumentsOf(data, size));
  if (!enoughPositionals(commandLine))
    return 0;
  const Settings settings = readSettings(commandLine);
  check(settings.OW >= 64 && settings.OH >= 40);
  check(settings.maxZoom >= 1);

  // Blur regions grow a 600 x 400 extent; each lands on whole pixels that
  // cover the region and its 4-pixel margin.
  Extent extent{0, 0, 600, 400};
  for (const BlurGroup& group : blurGroups(commandLine.option("--blur").value_or(""))) {
    std::optional<BlurPatch> patch = placeBlur(extent, group);
    if (!patch)
      continue;
    check(patch->rect.width >= 8 && patch->rect.height >= 8);
    check(patch->sigma >= 5);
    Extent grown = unite(extent, patch->rect);
    check(grown.width >= extent.width && grown.height >= extent.height);
    if (grown.width * grown.height > 100'000'000)
      break;
    extent = grown;
  }

  // A heat map and regions drawn from the input bytes.
  std::vector<float> samples;
  for (size_t i = 0; i < 12; ++i)
    samples.push_back(i < size ? static_cast<float>(data[i]) / 255.0f : 0.0f);
  const Heat heat(samples, 4, 3);
  GeometryInput in;
  in.IW = static_cast<double>(extent.width);
  in.IH = static_cast<double>(extent.height);
  in.heat = &heat;
  if (size > 4)
    in.attention = {{data[0] / 300.0, data[1] / 300.0, data[2] / 255.0, data[3] / 255.0}};
  if (size > 8)
    in.objects = {
        {{data[4] / 255.0, data[5] / 255.0, data[6] / 255.0, data[7] / 255.0}, data[8] / 255.0f}};
  in.OW = settings.OW;
  in.aspect = settings.aspect;
  in.maxZoom = settings.maxZoom;
  in.focus = commandLine.option("--focus");

  const Geometry g = chooseCrop(in);
  const double slack = 1e-6 * (in.IW + in.IH);
  check(g.cw > 0 && g.ch > 0);
  check(std::fabs(g.cw / g.ch - in.aspect) <= 1e-9 * in.aspect);
  check(g.cw <= g.full + slack);
  check(g.cx0 >= 0 && g.cy0 >= 0);
  check(g.cx0 + g.cw <= in.IW + slack && g.cy0 + g.ch <= in.IH + slack);
  check(g.fit >= 0 && g.fit <= 1 + 1e-9);

  const Report out = startReport(in.IW, in.IH, g, in.OW, in.objects);
  if (std::optional<std::string> text = serialise(out))
    check(!text->empty() && text->front() == '{' && text->find('\n') == std::string::npos);
  return 0;
}
