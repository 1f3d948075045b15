#include "imaging/Ppm.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "imaging/ImageLimits.h"
#include "platform/files/SafeFiles.h"

namespace quillet {
namespace {

// Skips blanks and '#' comments, then reads one decimal number.
bool ReadNumber(const uint8_t* b, size_t size, size_t* pos, long* out) {
  while (*pos < size) {
    if (b[*pos] == '#') {
      while (*pos < size && b[*pos] != '\n') ++*pos;
    } else if (b[*pos] == ' ' || b[*pos] == '\t' || b[*pos] == '\r' || b[*pos] == '\n') {
      ++*pos;
    } else {
      break;
    }
  }
  if (*pos >= size || b[*pos] < '0' || b[*pos] > '9') return false;
  long v = 0;
  while (*pos < size && b[*pos] >= '0' && b[*pos] <= '9') {
    v = v * 10 + (b[*pos] - '0');
    if (v > 1000000) return false;
    ++*pos;
  }
  *out = v;
  return true;
}

}  // namespace

bool ParsePpm(const uint8_t* b, size_t size, RgbPicture* picture, std::string* error) {
  if (size < 2 || b[0] != 'P' || (b[1] != '6' && b[1] != '5')) {
    *error = "not a binary PPM or PGM file (P6 or P5)";
    return false;
  }
  const bool grey = b[1] == '5';
  size_t pos = 2;
  long width = 0, height = 0, maxval = 0;
  if (!ReadNumber(b, size, &pos, &width) || !ReadNumber(b, size, &pos, &height) ||
      !ReadNumber(b, size, &pos, &maxval)) {
    *error = "damaged PPM header";
    return false;
  }
  if (maxval < 1 || maxval > 255) {
    *error = "only 8-bit PPM files are read";
    return false;
  }
  if (!ImageSizeAllowed(width, height)) {
    *error = "picture too large";
    return false;
  }
  ++pos;  // the one blank after maxval
  const size_t channels = grey ? 1 : 3;
  const size_t need = static_cast<size_t>(width) * static_cast<size_t>(height) * channels;
  if (pos > size || size - pos < need) {
    *error = "PPM pixels end early";
    return false;
  }
  picture->width = static_cast<int>(width);
  picture->height = static_cast<int>(height);
  picture->rgb.resize(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); ++i) {
    for (size_t c = 0; c < 3; ++c) {
      unsigned v = b[pos + i * channels + (grey ? 0 : c)];
      if (maxval != 255) v = (v * 255 + static_cast<unsigned>(maxval) / 2) / static_cast<unsigned>(maxval);
      picture->rgb[i * 3 + c] = static_cast<uint8_t>(v > 255 ? 255 : v);
    }
  }
  return true;
}

bool ReadPpmFile(const std::string& path, RgbPicture* picture, std::string* error) {
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(path, &bytes, kMaxPpmFileBytes)) {
    *error = "cannot read " + path;
    return false;
  }
  return ParsePpm(bytes.data(), bytes.size(), picture, error);
}

std::vector<uint8_t> PpmBytes(const RgbPicture& picture) {
  char head[64];
  int n = std::snprintf(head, sizeof head, "P6\n%d %d\n255\n", picture.width, picture.height);
  std::vector<uint8_t> out(head, head + n);
  out.insert(out.end(), picture.rgb.begin(), picture.rgb.end());
  return out;
}

RgbPicture PictureOf(const FloatImage& image) {
  RgbPicture p;
  p.width = image.width();
  p.height = image.height();
  p.rgb.resize(image.pixel_count() * 3);
  const FloatPixel* px = image.pixels();
  for (size_t i = 0; i < image.pixel_count(); ++i) {
    p.rgb[i * 3] = float_to_byte(px[i].red);
    p.rgb[i * 3 + 1] = float_to_byte(px[i].green);
    p.rgb[i * 3 + 2] = float_to_byte(px[i].blue);
  }
  return p;
}

std::vector<uint8_t> PpmBytes(const FloatImage& image) { return PpmBytes(PictureOf(image)); }

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  // A picture of the user's records: a new file is the user's alone; one
  // that exists keeps its mode.
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOCTTY, 0600);
  if (fd < 0) return false;
  std::FILE* f = ::fdopen(fd, "wb");
  if (!f) {
    ::close(fd);
    return false;
  }
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0) ok = false;
  return ok;
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>* bytes, size_t maxBytes) {
  bytes->clear();
  std::FILE* f = OpenInputFile(path);
  if (!f) return false;
  uint8_t buffer[65536];
  size_t n;
  bool ok = true;
  while (ok && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    if (n > maxBytes - bytes->size()) ok = false;
    else bytes->insert(bytes->end(), buffer, buffer + n);
  }
  if (std::ferror(f)) ok = false;
  std::fclose(f);
  if (!ok) bytes->clear();
  return ok;
}

}  // namespace quillet
