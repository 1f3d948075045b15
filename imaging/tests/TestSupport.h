// Shared helpers of the imaging tests: scratch folders, pictures, and the
// netpbm and libjpeg command-line tools used as independent references.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/DiagnosticLog.h"
#include "imaging/Ppm.h"

namespace quillet::testing {

// A folder removed when the test ends.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "imaging-test-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (::mkdtemp(buffer.data())) path_ = buffer.data();
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline bool HaveProgram(const std::string& name) {
  std::string command = "command -v " + name + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// Runs a shell command; true when it exits 0.
inline bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

// A picture with smooth areas, edges and some noise, like a photograph.
inline RgbPicture PhotoLike(int width, int height, unsigned seed) {
  RgbPicture p;
  p.width = width;
  p.height = height;
  p.rgb.resize(static_cast<size_t>(width) * height * 3);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> noise(-12, 12);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int r = 255 * x / (width > 1 ? width - 1 : 1);
      int g = 255 * y / (height > 1 ? height - 1 : 1);
      int b = ((x / 16 + y / 16) % 2) ? 200 : 40;
      int v[3] = {r + noise(rng), g + noise(rng), b + noise(rng)};
      for (int c = 0; c < 3; ++c) {
        p.rgb[(static_cast<size_t>(y) * width + x) * 3 + c] =
            static_cast<uint8_t>(v[c] < 0 ? 0 : v[c] > 255 ? 255 : v[c]);
      }
    }
  }
  return p;
}

// Collects what the debug channel says while it lives.
class DebugCapture {
 public:
  DebugCapture() : previous_(SetDebugSink(&DebugCapture::Take)) { Text().clear(); }
  ~DebugCapture() { SetDebugSink(previous_); }
  static std::string& Text() {
    static std::string text;
    return text;
  }
  bool Saw(const std::string& line) const { return Text().find(line) != std::string::npos; }

 private:
  static void Take(const char* piece) { Text() += piece; }
  DebugSink previous_;
};

}  // namespace quillet::testing
