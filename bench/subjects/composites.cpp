// Cut-outs of real subjects (pictures with their own alpha) laid over
// textured real photos at known places: vell-cutout must give the laid shape
// back. Then the times of a 12-megapixel cut-out and of a 20-megapixel
// cover beside the libvips pipeline.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "bench/median_timing.hpp"
#include "bench/subjects/subjects.hpp"
#include "common/atomic_file.hpp"
#include "platform/image/image.hpp"

namespace vell::bench {

namespace {

using platform::Bitmap;

constexpr int backgroundSide = 1600;
constexpr double iouTarget = 0.95;
constexpr double iouShareTarget = 0.9;
constexpr double iouFloor = 0.85;
constexpr double cutoutRatio = 1.5;

struct Laid {
  Bitmap picture;
  std::vector<bool> truth;  // the laid cut-out's alpha >= 128
};

// `stamp` scaled to `layer.height` (share of the picture's height) and laid
// source-over on `laid` with its top-left at the layer's place; its shape
// joins the truth.
bool lay(Laid& laid, const Bitmap& stamp, const Layer& layer) {
  const Bitmap& background = laid.picture;
  int h = std::max(1, static_cast<int>(std::lround(layer.height * background.height)));
  int w = std::max(1, static_cast<int>(std::lround(stamp.width * double(h) / stamp.height)));
  auto scaled = platform::scaleLanczos(stamp, w, h);
  if (!scaled)
    return false;
  int left = static_cast<int>(std::lround(layer.atX * background.width));
  int top = static_cast<int>(std::lround(layer.atY * background.height));
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int tx = left + x, ty = top + y;
      const std::uint8_t* s = scaled->pixel(x, y);
      if (s[3] == 0 || tx < 0 || ty < 0 || tx >= background.width || ty >= background.height)
        continue;
      std::uint8_t* t = laid.picture.pixel(tx, ty);
      for (int c = 0; c < 3; ++c)
        t[c] = static_cast<std::uint8_t>((s[c] * s[3] + t[c] * (255 - s[3]) + 127) / 255);
      // Every layer is a subject: the truth is the union of their shapes.
      if (s[3] >= 128)
        laid.truth[size_t(ty) * background.width + tx] = true;
    }
  return true;
}

std::optional<Laid> composite(const Composite& c, const fs::path& samples, int side) {
  auto background = platform::thumbnail((samples / "backgrounds" / c.background).string(), side);
  if (!background)
    return std::nullopt;
  if (std::max(background->width, background->height) < side) {
    int w = static_cast<int>(std::lround(background->width * double(side) /
                                         std::max(background->width, background->height)));
    int h = static_cast<int>(std::lround(background->height * double(side) /
                                         std::max(background->width, background->height)));
    auto larger = platform::scaleLanczos(*background, w, h);
    if (!larger)
      return std::nullopt;
    background = std::move(larger);
  }
  Laid laid{std::move(*background), {}};
  laid.truth.assign(size_t(laid.picture.width) * laid.picture.height, false);
  for (const Layer& layer : c.layers) {
    auto stamp = platform::decodeUpright((samples / "cutouts" / layer.cutout).string());
    if (!stamp || !lay(laid, *stamp, layer))
      return std::nullopt;
  }
  return laid;
}

ChildTiming medianOf(int runs, const std::function<ChildTiming()>& job) {
  std::vector<double> wall, cpu, memory;
  int status = 0;
  for (int i = 0; i < std::max(1, runs); ++i) {
    ChildTiming t = job();
    status |= t.status;
    wall.push_back(t.wallMs);
    cpu.push_back(t.cpuMs);
    memory.push_back(t.peakMiB);
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  std::sort(memory.begin(), memory.end());
  return ChildTiming{wall[wall.size() / 2], cpu[cpu.size() / 2], status, memory[memory.size() / 2]};
}

// The libvips command line doing a cover's job: attention thumbnail to
// 2400 x 1500, sharpen, progressive JPEG; times summed, memory the largest.
ChildTiming libvipsCover(const Tools& tools, const fs::path& photo, const fs::path& scratch) {
  const std::string thumb = (scratch / "thumb.v").string(), sharp = (scratch / "sharp.v").string();
  ChildTiming a = timeChild({tools.vips, "thumbnail", photo.string(), thumb, "2400", "--height",
                             "1500", "--crop", "attention"},
                            scratch);
  ChildTiming b = timeChild({tools.vips, "sharpen", thumb, sharp}, scratch);
  ChildTiming c = timeChild({tools.vips, "jpegsave", sharp, (scratch / "peer.jpg").string(), "--Q",
                             "90", "--interlace", "--optimize-coding", "--strip"},
                            scratch);
  fs::remove(thumb);
  fs::remove(sharp);
  return ChildTiming{a.wallMs + b.wallMs + c.wallMs, a.cpuMs + b.cpuMs + c.cpuMs,
                     a.status | b.status | c.status, std::max({a.peakMiB, b.peakMiB, c.peakMiB})};
}

bool save(const fs::path& path, const Result<std::vector<std::uint8_t>>& bytes) {
  return bytes && writeFileAtomically(path, *bytes, 0644);
}

// The composite dimmed, with what the cut-out took of the background in
// red and what it left of the subject in blue, to see where errors lie.
Bitmap errorPicture(const Laid& laid, const Bitmap& cut, int left, int top) {
  Bitmap out = laid.picture;
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      int cx = x - left, cy = y - top;
      bool found =
          cx >= 0 && cy >= 0 && cx < cut.width && cy < cut.height && cut.pixel(cx, cy)[3] >= 128;
      bool truth = laid.truth[static_cast<size_t>(y) * out.width + x];
      std::uint8_t* p = out.pixel(x, y);
      for (int c = 0; c < 3; ++c)
        p[c] = static_cast<std::uint8_t>(p[c] / 2);
      if (found != truth) {
        p[0] = found ? 255 : 0;
        p[1] = 0;
        p[2] = found ? 0 : 255;
      }
    }
  return out;
}

}  // namespace

bool benchCutouts(const Labels& labels, const fs::path& samples, const fs::path& out,
                  const Tools& tools, int runs) {
  fs::create_directories(out / "composites");
  bool ok = true;
  struct Half {
    int total = 0, good = 0;
    double worst = 1;
  } held, tuning;
  std::printf("\ncut-outs of real subjects laid over real photos (IoU of alpha >= 0.5)\n");
  for (const Composite& c : labels.composites) {
    auto laid = composite(c, samples, backgroundSide);
    fs::path input = out / "composites" / (c.name + ".png");
    fs::path cut = out / "composites" / (c.name + "-cut.png");
    if (!laid || !save(input, platform::encodePng(laid->picture))) {
      std::fprintf(stderr, "bench: cannot make %s\n", c.name.c_str());
      ok = false;
      continue;
    }
    ChildTiming run = timeChild({tools.cutout, input.string(), cut.string()});
    auto cutout = run.status == 0 ? platform::decodeUpright(cut.string())
                                  : Result<Bitmap>(Error{"vell-cutout failed"});
    auto at = cutout ? locateCut(*cutout, laid->picture) : std::nullopt;
    double iou = at ? cutIoU(*cutout, at->first, at->second, laid->truth, laid->picture.width,
                             laid->picture.height)
                    : 0;
    Half& half = c.heldOut ? held : tuning;
    ++half.total;
    half.good += iou >= iouTarget;
    half.worst = std::min(half.worst, iou);
    if (at)
      save(out / "composites" / (c.name + "-errors.png"),
           platform::encodePng(errorPicture(*laid, *cutout, at->first, at->second)));
    std::printf("  %-22s %-8s IoU %.3f%s\n", c.name.c_str(), c.heldOut ? "held-out" : "tuning", iou,
                run.status != 0 ? "  (vell-cutout failed)"
                : at            ? ""
                                : "  (not found)");
  }
  for (const auto& [label, half] : {std::pair{"tuning", tuning}, std::pair{"held-out", held}})
    if (half.total > 0)
      std::printf("  %-8s IoU >= %.2f on %d of %d (%.1f %%), worst %.3f\n", label, iouTarget,
                  half.good, half.total, 100.0 * half.good / half.total, half.worst);
  if (held.total > 0) {
    const double share = static_cast<double>(held.good) / held.total;
    std::printf("target (held-out): IoU >= %.2f on >= %.0f %%, none below %.2f: %s\n", iouTarget,
                100 * iouShareTarget, iouFloor,
                share >= iouShareTarget && held.worst >= iouFloor ? "met" : "not met");
  }

  // 12 megapixels: the first composite laid over its background at 4000 x 3000.
  if (!labels.composites.empty()) {
    auto big = composite(labels.composites.front(), samples, 4000);
    fs::path input = out / "composites" / "12mp.jpg";
    if (!big || !save(input, platform::encodeJpeg(big->picture, 0.92)))
      return false;
    const fs::path scratch = out / "composites";
    ChildTiming peer = medianOf(runs, [&] { return libvipsCover(tools, input, scratch); });
    ChildTiming cut = medianOf(runs, [&] {
      return timeChild({tools.cutout, input.string(), (scratch / "12mp.png").string()});
    });
    if (cut.status != 0 || peer.status != 0)
      return false;
    const double ratio = cut.wallMs / peer.wallMs;
    std::printf("\n12-MP cut-out (%dx%d), median of %d\n", big->picture.width, big->picture.height,
                runs);
    std::printf("  libvips cover pipeline  wall %.2f s  processor %.2f s\n", peer.wallMs / 1e3,
                peer.cpuMs / 1e3);
    std::printf("  vell-cutout             wall %.2f s  processor %.2f s\n", cut.wallMs / 1e3,
                cut.cpuMs / 1e3);
    std::printf("target: cut-out <= %.1f x the libvips cover pipeline's wall time: %.2f x: %s\n",
                cutoutRatio, ratio, ratio <= cutoutRatio ? "met" : "not met");
  }
  return ok;
}

bool benchCoverTime(const fs::path& photo, const fs::path& out, const Tools& tools, int runs) {
  if (!fs::exists(photo))
    return false;
  fs::path scratch = out / "cover-time";
  fs::create_directories(scratch);
  ChildTiming peer = medianOf(runs, [&] { return libvipsCover(tools, photo, scratch); });
  ChildTiming cover = medianOf(runs, [&] {
    return timeChild({tools.cover, photo.string(), (scratch / "cover.jpg").string()}, scratch);
  });
  std::printf("\ncover of a 20-MP photo (%s), median of %d\n", photo.filename().c_str(), runs);
  std::printf("  libvips pipeline  wall %.2f s  processor %.2f s  peak %.0f MiB\n",
              peer.wallMs / 1e3, peer.cpuMs / 1e3, peer.peakMiB);
  std::printf("  vell-cover        wall %.2f s  processor %.2f s  peak %.0f MiB\n",
              cover.wallMs / 1e3, cover.cpuMs / 1e3, cover.peakMiB);
  if (cover.status != 0 || peer.status != 0)
    return false;
  double ratio = cover.wallMs / peer.wallMs, memory = cover.peakMiB / peer.peakMiB;
  std::printf(
      "target: vell-cover <= 1.0 x the pipeline's wall time and <= 2 x its peak memory: %.2f x, "
      "%.2f x: %s\n",
      ratio, memory, ratio <= 1.0 && memory <= 2.0 ? "met" : "not met");
  fs::remove_all(scratch);
  return true;
}

}  // namespace vell::bench
