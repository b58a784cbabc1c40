#pragma once

// For tests: copies of the build's models folder with every network file
// damaged one way, and a program laid out as installed around such a copy,
// so a black-box test can run it on damaged models.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace vell::platform::vision::testing {

enum class Damage { missing, truncated, corrupt };

inline const char* nameOf(Damage damage) {
  switch (damage) {
    case Damage::missing:
      return "missing";
    case Damage::truncated:
      return "truncated";
    case Damage::corrupt:
      return "corrupt";
  }
  return "";
}

// `models` copied into `target` (made), every network (*.onnx) then
// removed, cut to half its length, or overwritten with random bytes of its
// own length. The other files (class lists, BRISQUE) stay whole.
inline void copyDamaged(const std::filesystem::path& models, const std::filesystem::path& target,
                        Damage damage) {
  namespace fs = std::filesystem;
  fs::create_directories(target);
  // Random bytes, repeated: as unreadable as any, and cheap for large files.
  std::mt19937 random(7);
  std::vector<char> noise(1 << 16);
  for (char& byte : noise)
    byte = static_cast<char>(random());
  for (const auto& entry : fs::directory_iterator(models)) {
    fs::path copy = target / entry.path().filename();
    if (entry.path().extension() != ".onnx") {
      fs::copy_file(entry.path(), copy, fs::copy_options::overwrite_existing);
      continue;
    }
    auto size = static_cast<std::streamsize>(fs::file_size(entry.path()));
    if (damage == Damage::missing)
      continue;
    std::ofstream out(copy, std::ios::binary | std::ios::trunc);
    if (damage == Damage::truncated) {
      std::ifstream in(entry.path(), std::ios::binary);
      std::vector<char> half(static_cast<size_t>(size / 2));
      in.read(half.data(), size / 2);
      out.write(half.data(), size / 2);
    } else {
      for (std::streamsize written = 0; written < size;) {
        auto piece = std::min<std::streamsize>(size - written, std::ssize(noise));
        out.write(noise.data(), piece);
        written += piece;
      }
    }
  }
}

// `program` of the build (`binDir`) laid out under `root` as installed:
// root/bin/program (a copy, so it finds its models beside itself),
// root/lib/vell (the build's private libraries) and root/share/vell/models
// (the build's models, damaged). Returns the program's path.
inline std::filesystem::path installWithDamagedModels(const std::filesystem::path& binDir,
                                                      const std::string& program,
                                                      const std::filesystem::path& root,
                                                      Damage damage) {
  namespace fs = std::filesystem;
  fs::path build = binDir.parent_path();
  fs::create_directories(root / "bin");
  fs::create_directories(root / "lib");
  fs::copy_file(binDir / program, root / "bin" / program, fs::copy_options::overwrite_existing);
  if (!fs::exists(root / "lib" / "vell"))
    fs::create_directory_symlink(build / "lib" / "vell", root / "lib" / "vell");
  fs::remove_all(root / "share");
  copyDamaged(build / "share" / "vell" / "models", root / "share" / "vell" / "models", damage);
  return root / "bin" / program;
}

}  // namespace vell::platform::vision::testing
