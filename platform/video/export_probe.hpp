#pragma once

// For tests: what ffprobe and exiftool, independent readers, find in a
// media file.

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace vell::testing {

// Standard output of the shell command `command`.
inline std::string commandOutput(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  if (!pipe)
    throw std::runtime_error("cannot run " + command);
  std::string out;
  std::array<char, 4096> buffer;
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe.get()))
    out.append(buffer.data(), n);
  return out;
}

inline std::string quoted(const std::filesystem::path& path) {
  std::string out = "'";
  for (char c : path.string())
    out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// ffprobe's view of streams, format and tags, as JSON.
inline nlohmann::json probe(const std::filesystem::path& file) {
  std::string out = commandOutput(
      "ffprobe -v error -print_format json -show_format -show_streams " + quoted(file));
  if (out.empty())
    return nlohmann::json::object();
  return nlohmann::json::parse(out);
}

// The first stream of `type` ("video", "audio") in a probe, or null.
inline nlohmann::json streamOf(const nlohmann::json& probed, const std::string& type) {
  for (const auto& stream : probed.value("streams", nlohmann::json::array()))
    if (stream.value("codec_type", "") == type)
      return stream;
  return nullptr;
}

inline double number(const nlohmann::json& value) {
  return value.is_string() ? std::stod(value.get<std::string>()) : value.get<double>();
}

// The top-level box types of an MPEG-4 file in order (ftyp, moov, mdat...).
inline std::string boxOrder(const std::filesystem::path& file) {
  std::unique_ptr<FILE, int (*)(FILE*)> in(std::fopen(file.c_str(), "rb"), std::fclose);
  std::string order;
  if (!in)
    return order;
  for (;;) {
    unsigned char header[16];
    if (std::fread(header, 1, 8, in.get()) != 8)
      break;
    std::uint64_t size =
        (std::uint64_t(header[0]) << 24) | (header[1] << 16) | (header[2] << 8) | header[3];
    std::uint64_t headerSize = 8;
    if (size == 1) {
      if (std::fread(header + 8, 1, 8, in.get()) != 8)
        break;
      size = 0;
      for (int i = 8; i < 16; ++i)
        size = (size << 8) | header[i];
      headerSize = 16;
    }
    order += (order.empty() ? "" : " ") + std::string(reinterpret_cast<char*>(header) + 4, 4);
    if (size == 0 || size < headerSize)
      break;
    if (std::fseek(in.get(), long(size - headerSize), SEEK_CUR) != 0)
      break;
  }
  return order;
}

// Every tag exiftool finds, "[Group] Name : value" a line, numbers plain.
inline std::string exifTags(const std::filesystem::path& file) {
  return commandOutput("exiftool -a -G1 -n -s " + quoted(file) + " 2>/dev/null");
}

}  // namespace vell::testing
