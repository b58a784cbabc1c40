// Cover crops of the marked photos: vell-cover, libvips' attention and
// entropy smart crops and a centre crop at each aspect ratio, judged by the
// share of the marked subject they keep; the page shows them side by side.

#include <array>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>

#include "bench/subjects/subjects.hpp"
#include "common/atomic_file.hpp"
#include "common/run_process.hpp"
#include "platform/image/image.hpp"

namespace vell::bench {

namespace {

using platform::Bitmap;

// The photos are cropped as copies of at most this size: the analyses look
// at 512 pixels anyway, and every tool then reads the same lossless file.
constexpr int copySide = 1600;
// Output height of the covers; small enough beside the copies that the
// upscale limit never stops vell-cover from zooming, as with real photos.
constexpr int outputHeight = 400;
constexpr double ratios[] = {0.4, 1.0, 1.6, 2.4};
enum Method { vell, attention, entropy, centre, methods };
const char* methodNames[] = {"vell-cover", "vips attention", "vips entropy", "centre"};
const char* shortNames[] = {"vell", "attent", "entropy", "centre"};

struct Judged {
  UnitBox crop;
  bool ok = false;  // the tool answered
  bool kept = false;
  const char* larger = "";  // when no crop of the shape can hold the subject
};

struct PhotoRow {
  const Photo* photo = nullptr;
  std::map<double, std::array<Judged, methods>> crops;
};

bool writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  return static_cast<bool>(writeFileAtomically(path, bytes, 0644));
}

std::optional<Bitmap> copyOf(const Photo& photo, const fs::path& samples, const fs::path& copy) {
  if (!fs::exists(copy)) {
    auto picture = platform::thumbnail((samples / "photos" / photo.file).string(), copySide);
    if (!picture)
      return std::nullopt;
    auto png = platform::encodePng(*picture);
    if (!png || !writeFile(copy, *png))
      return std::nullopt;
  }
  auto decoded = platform::decodeUpright(copy.string());
  if (!decoded)
    return std::nullopt;
  return std::move(*decoded);
}

std::optional<UnitBox> vellCrop(const Tools& tools, const fs::path& copy, double ratio) {
  std::string size =
      std::to_string(std::lround(ratio * outputHeight)) + "x" + std::to_string(outputHeight);
  ProcessResult result = runProcess(tools.cover, {copy.string(), "--analyze", "--size", size});
  if (result.status != 0)
    return std::nullopt;
  try {
    auto crop = nlohmann::json::parse(result.out).at("crop");
    return UnitBox{crop.at(0), crop.at(1), crop.at(2), crop.at(3)};
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// libvips' smart crop of the full-fit size; where it cut is found from its
// pixels, which are the copy's own.
std::optional<UnitBox> vipsCrop(const Tools& tools, const fs::path& copy, const Bitmap& picture,
                                double ratio, const char* interesting, const fs::path& scratch) {
  UnitBox fit = fullFitCentred(picture.width, picture.height, ratio);
  int cw = std::max(1, static_cast<int>(std::lround(fit.w * picture.width)));
  int ch = std::max(1, static_cast<int>(std::lround(fit.h * picture.height)));
  ProcessResult result =
      runProcess(tools.vips, {"smartcrop", copy.string(), scratch.string(), std::to_string(cw),
                              std::to_string(ch), "--interesting", interesting});
  if (result.status != 0)
    return std::nullopt;
  auto cut = platform::decodeUpright(scratch.string());
  if (!cut)
    return std::nullopt;
  auto at = locateCut(*cut, picture);
  if (!at)
    return std::nullopt;
  return UnitBox{static_cast<double>(at->first) / picture.width,
                 static_cast<double>(at->second) / picture.height,
                 static_cast<double>(cut->width) / picture.width,
                 static_cast<double>(cut->height) / picture.height};
}

// The crop as the page shows it: the marked subject outlined in green.
void writeThumb(const Bitmap& marked, const UnitBox& crop, const fs::path& path) {
  platform::PixelRect rect{static_cast<int>(std::lround(crop.x * marked.width)),
                           static_cast<int>(std::lround(crop.y * marked.height)),
                           std::max(1, static_cast<int>(std::lround(crop.w * marked.width))),
                           std::max(1, static_cast<int>(std::lround(crop.h * marked.height)))};
  auto part = platform::crop(marked, rect);
  if (!part)
    return;
  int height = 180;
  int width =
      std::max(1, static_cast<int>(std::lround(part->width * height / double(part->height))));
  auto small = platform::scaleLanczos(*part, width, height);
  if (!small)
    return;
  if (auto jpeg = platform::encodeJpeg(*small, 0.85))
    writeFile(path, *jpeg);
}

struct Tally {
  int kept[methods] = {};
  int total = 0;
};

void printTally(const std::string& label, const Tally& t) {
  if (t.total == 0)
    return;
  std::printf("  %-24s %4d", label.c_str(), t.total);
  for (int m = 0; m < methods; ++m)
    std::printf("  %7.1f", 100.0 * t.kept[m] / t.total);
  std::printf("\n");
}

void count(Tally& t, const std::array<Judged, methods>& judged) {
  ++t.total;
  for (int m = 0; m < methods; ++m)
    t.kept[m] += judged[m].kept;
}

double share(const Tally& t, int m) {
  return t.total ? 100.0 * t.kept[m] / t.total : 0;
}

void writePage(const std::vector<PhotoRow>& rows, const fs::path& out) {
  std::string html =
      "<!doctype html><meta charset=utf-8><title>Subjects: cover crops</title><style>"
      "body{font:14px sans-serif;background:#222;color:#ddd}td{vertical-align:top;padding:4px}"
      "img{height:180px;display:block}.kept{border:3px solid #3c3}.lost{border:3px solid #d33}"
      "</style><h1>Cover crops: vell-cover, libvips attention and entropy, centre</h1>"
      "<p>Green outline: the subject marked by hand. Green frame: the crop keeps at least 80 % "
      "of what a crop of its shape can hold; red: it does not. (wider) or (taller): no crop "
      "of that shape can hold the whole subject.</p><table>";
  for (const PhotoRow& row : rows) {
    const Photo& p = *row.photo;
    for (const auto& [ratio, judged] : row.crops) {
      char label[160];
      std::snprintf(label, sizeof label, "%s (%s, %s) %.1f%s", p.name.c_str(), p.kind.c_str(),
                    p.heldOut ? "held-out" : "tuning", ratio, judged[0].larger);
      html += "<tr><td>" + std::string(label) + "</td>";
      for (int m = 0; m < methods; ++m) {
        char file[160];
        std::snprintf(file, sizeof file, "crops/%s-%.1f-%d.jpg", p.name.c_str(), ratio, m);
        html += std::string("<td>") + methodNames[m] +
                "<img class=" + (judged[m].kept ? "kept" : "lost") + " src=\"" + file + "\"></td>";
      }
      html += "</tr>";
    }
  }
  html += "</table>";
  writeFileAtomically(out / "index.html", html, 0644);
}

}  // namespace

bool benchCrops(const Labels& labels, const fs::path& samples, const fs::path& out,
                const Tools& tools) {
  fs::create_directories(out / "photos");
  fs::create_directories(out / "crops");
  std::vector<PhotoRow> rows;
  std::map<std::string, Tally> tallies;
  bool ok = true;
  std::printf(
      "cover crops keeping >= 80 %% of the marked subject (of what the crop's shape can "
      "hold)\n");
  std::printf("%-12s %-8s %-8s", "photo", "kind", "set");
  for (double r : ratios)
    std::printf("   %.1f v/a/e/c", r);
  std::printf("   (+ kept, - lost, * the subject is larger than any crop of the shape)\n");
  for (const Photo& photo : labels.photos) {
    fs::path copy = out / "photos" / (photo.name + ".png");
    auto picture = copyOf(photo, samples, copy);
    if (!picture) {
      std::fprintf(stderr, "bench: cannot read %s\n", photo.file.c_str());
      ok = false;
      continue;
    }
    Bitmap marked = *picture;
    platform::strokeRect(marked,
                         {photo.box.x * marked.width, photo.box.y * marked.height,
                          photo.box.w * marked.width, photo.box.h * marked.height},
                         std::max(2.0, marked.width / 300.0), {0.1, 0.9, 0.2, 1});
    PhotoRow row{&photo, {}};
    std::printf("%-12s %-8s %-8s", photo.name.c_str(), photo.kind.c_str(),
                photo.heldOut ? "held-out" : "tuning");
    for (double ratio : ratios) {
      double attainable = attainableShare(picture->width, picture->height, ratio, photo.box);
      std::optional<UnitBox> found[methods] = {
          vellCrop(tools, copy, ratio),
          vipsCrop(tools, copy, *picture, ratio, "attention", out / "vips-crop.png"),
          vipsCrop(tools, copy, *picture, ratio, "entropy", out / "vips-crop.png"),
          fullFitCentred(picture->width, picture->height, ratio)};
      std::array<Judged, methods>& judged = row.crops[ratio];
      const UnitBox fit = fullFitCentred(picture->width, picture->height, ratio);
      const char* larger = photo.box.w > fit.w + 1e-9   ? " (wider)"
                           : photo.box.h > fit.h + 1e-9 ? " (taller)"
                                                        : "";
      std::string marks;
      for (int m = 0; m < methods; ++m) {
        if (!found[m]) {
          std::fprintf(stderr, "bench: %s gave no crop of %s at %.1f\n", methodNames[m],
                       photo.name.c_str(), ratio);
          ok = false;
          marks += '?';
          continue;
        }
        judged[m] = {*found[m], true, keeps(*found[m], photo.box, attainable), larger};
        marks += judged[m].kept ? '+' : '-';
        char file[160];
        std::snprintf(file, sizeof file, "%s-%.1f-%d.jpg", photo.name.c_str(), ratio, m);
        writeThumb(marked, *found[m], out / "crops" / file);
      }
      if (*larger)
        marks += '*';
      std::printf("   %-11s", marks.c_str());
      const std::string half = photo.heldOut ? "held-out" : "tuning";
      char aspect[16];
      std::snprintf(aspect, sizeof aspect, " %.1f", ratio);
      for (const std::string& key :
           {half, std::string("all"), half + aspect, half + " " + photo.kind})
        count(tallies[key], judged);
    }
    std::printf("\n");
    rows.push_back(std::move(row));
  }
  fs::remove(out / "vips-crop.png");
  std::printf("shares of crops keeping the subject (%%)\n  %-24s %4s", "", "crops");
  for (int m = 0; m < methods; ++m)
    std::printf("  %7s", shortNames[m]);
  std::printf("\n");
  for (const auto& [label, tally] : tallies)
    printTally(label, tally);
  const Tally& held = tallies["held-out"];
  if (held.total > 0) {
    // Over all aspects, and 15 points above the best peer at each extreme.
    bool met = share(held, vell) >= 90;
    std::printf("target (held-out): vell-cover >= 90 %% over all aspects: %.1f %%\n",
                share(held, vell));
    for (const char* extreme : {"held-out 0.4", "held-out 2.4"}) {
      const Tally& t = tallies[extreme];
      double best = std::max({share(t, attention), share(t, entropy), share(t, centre)});
      std::printf("target (%s): >= the best peer + 15 points: %.1f %% vs %.1f %% (%+.1f)\n",
                  extreme, share(t, vell), best, share(t, vell) - best);
      met = met && share(t, vell) >= best + 15;
    }
    std::printf("targets for the crops: %s\n", met ? "met" : "not met");
  }
  writePage(rows, out);
  std::printf("page: %s\n", (out / "index.html").c_str());
  return ok;
}

}  // namespace vell::bench
