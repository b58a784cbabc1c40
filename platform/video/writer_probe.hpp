#pragma once

// Test support: reads video files back with FFmpeg's command-line tools, an
// independent reader, so tests check what players will see.

#include <array>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

namespace vell::testing {

inline std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text)
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Standard output of a shell `command`; throws when it fails.
inline std::string commandOutput(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe)
    throw std::runtime_error("cannot run " + command);
  std::string out;
  std::array<char, 65536> chunk;
  while (size_t got = std::fread(chunk.data(), 1, chunk.size(), pipe))
    out.append(chunk.data(), got);
  if (::pclose(pipe) != 0)
    throw std::runtime_error("failed: " + command);
  return out;
}

// ffprobe's view of the first video stream ("stream") and the container
// ("format"); nb_frames counted by decoding.
inline nlohmann::json probeVideo(const std::filesystem::path& file) {
  auto json = nlohmann::json::parse(commandOutput(
      "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
      "stream=codec_name,profile,width,height,pix_fmt,r_frame_rate,avg_frame_rate,nb_frames,"
      "nb_read_frames,duration,start_time,bit_rate,time_base:format=format_name,duration,"
      "bit_rate:format_tags=major_brand -of json " +
      quoted(file.string())));
  if (json["streams"].empty())
    throw std::runtime_error("no video stream in " + file.string());
  return {{"stream", json["streams"][0]}, {"format", json["format"]}};
}

struct DecodedFrame {
  double time = 0;                // presentation time, seconds
  std::vector<std::uint8_t> rgb;  // width x height x 3
};

// Every coded frame of `file`, in presentation order, as RGB pixels of
// `width` x `height`: the video's own size, or a size to scale it to.
inline std::vector<DecodedFrame> decodeFrames(const std::filesystem::path& file, int width,
                                              int height) {
  auto times = nlohmann::json::parse(commandOutput(
      "ffprobe -v error -select_streams v:0 -show_entries frame=best_effort_timestamp_time "
      "-of json " +
      quoted(file.string())));
  const std::string scale = std::to_string(width) + ":" + std::to_string(height);
  std::string pixels =
      commandOutput("ffmpeg -v error -nostdin -i " + quoted(file.string()) +
                    " -fps_mode passthrough -vf scale=" + scale + " -f rawvideo -pix_fmt rgb24 -");
  const size_t frameBytes = static_cast<size_t>(width) * height * 3;
  std::vector<DecodedFrame> frames;
  for (const auto& frame : times["frames"]) {
    DecodedFrame decoded;
    decoded.time = std::stod(frame["best_effort_timestamp_time"].get<std::string>());
    frames.push_back(std::move(decoded));
  }
  if (pixels.size() != frames.size() * frameBytes)
    throw std::runtime_error("decoded " + std::to_string(pixels.size()) + " bytes for " +
                             std::to_string(frames.size()) + " frames");
  for (size_t i = 0; i < frames.size(); ++i)
    frames[i].rgb.assign(pixels.begin() + static_cast<std::ptrdiff_t>(i * frameBytes),
                         pixels.begin() + static_cast<std::ptrdiff_t>((i + 1) * frameBytes));
  return frames;
}

// The average colour of `frame` (width pixels a row) over a square of
// `radius` around (x, y).
inline std::array<double, 3> colourAt(const DecodedFrame& frame, int width, int x, int y,
                                      int radius = 2) {
  std::array<double, 3> sum{};
  int count = 0;
  for (int dy = -radius; dy <= radius; ++dy)
    for (int dx = -radius; dx <= radius; ++dx) {
      const size_t at = (static_cast<size_t>(y + dy) * width + (x + dx)) * 3;
      for (int c = 0; c < 3; ++c)
        sum[c] += frame.rgb[at + c];
      ++count;
    }
  for (double& value : sum)
    value /= count;
  return sum;
}

}  // namespace vell::testing
