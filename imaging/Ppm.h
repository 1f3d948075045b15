// Binary portable pixmaps (P6, and P5 read as grey): the plain picture form
// the command-line tools, tests and benchmarks exchange with other programs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/FloatImage.h"

namespace quillet {

struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width x height x 3, top row first
};

// Parses P6 or P5 bytes (maxval up to 255, scaled to 255). False with
// `error` set for anything else or for pixels missing.
bool ParsePpm(const uint8_t* bytes, size_t size, RgbPicture* picture, std::string* error);
bool ReadPpmFile(const std::string& path, RgbPicture* picture, std::string* error);

// P6 bytes of a picture / of an image by the float-to-byte rule.
std::vector<uint8_t> PpmBytes(const RgbPicture& picture);
std::vector<uint8_t> PpmBytes(const FloatImage& image);
RgbPicture PictureOf(const FloatImage& image);

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Reads the regular file `path` whole (never a pipe or device planted under
// the name); false for anything else, an unreadable file or one of more
// than `maxBytes`.
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, size_t maxBytes);
// The most a P6 file of the largest picture allowed holds, with room for
// comments in its header.
inline constexpr size_t kMaxPpmFileBytes = size_t{3} * (size_t{1} << 25) + (size_t{1} << 20);

}  // namespace quillet
