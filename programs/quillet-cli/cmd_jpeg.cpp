// quillet-cli jpeg: encodes a PPM picture as the image window stores it, into
// a memory block of fixed capacity.
#include <cstdio>
#include <cstdlib>

#include "imaging/FloatImage.h"
#include "imaging/Ppm.h"
#include "programs/quillet-cli/CliCommand.h"

namespace {

using namespace quillet;

// The image window encodes into a block of this many bytes.
constexpr long kDefaultCapacity = 204800;

bool ParseNumber(const std::string& text, long low, long high, long* out) {
  if (text.empty()) return false;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || v < low || v > high) return false;
  *out = v;
  return true;
}

int RunJpeg(const std::vector<std::string>& args) {
  cli::Args a(args);
  std::string quality_text, capacity_text;
  bool missing = false;
  const bool have_quality = a.TakeOption("--quality", &quality_text, &missing);
  const bool have_capacity = a.TakeOption("--capacity", &capacity_text, &missing);
  if (missing) return cli::UsageError("jpeg: an option lacks its value");
  if (!a.UnknownOption().empty()) return cli::UsageError("jpeg: unknown option " + a.UnknownOption());
  if (a.Rest().size() != 2 || !have_quality) return cli::UsageError("jpeg takes IN.ppm OUT.jpg --quality Q");
  long quality = 0, capacity = kDefaultCapacity;
  if (!ParseNumber(quality_text, 0, 100, &quality)) return cli::UsageError("jpeg: --quality is 0 to 100");
  if (have_capacity && !ParseNumber(capacity_text, 1, 1L << 30, &capacity))
    return cli::UsageError("jpeg: --capacity is a number of bytes");

  RgbPicture picture;
  std::string error;
  if (!ReadPpmFile(a.Rest()[0], &picture, &error)) return cli::UsageError("jpeg: " + error);

  FloatImage image;
  if (image.create(picture.width, picture.height) != 0) {
    std::fprintf(stderr, "quillet-cli: jpeg: no memory for a %d x %d picture\n", picture.width, picture.height);
    return cli::kExitFailed;
  }
  FloatPixel* p = image.pixels();
  for (size_t i = 0; i < image.pixel_count(); ++i) {
    p[i] = FloatPixel{byte_to_float(picture.rgb[i * 3]), byte_to_float(picture.rgb[i * 3 + 1]),
                      byte_to_float(picture.rgb[i * 3 + 2]), 1.0f};
  }
  if (image.pixel_count() == 0) {
    std::fprintf(stderr, "quillet-cli: jpeg: the picture has no pixels\n");
    return cli::kExitFailed;
  }

  std::vector<uint8_t> buffer(static_cast<size_t>(capacity));
  if (image.save_jpeg_memory(buffer.data(), buffer.size(), static_cast<int>(quality)) != 0) {
    std::printf("does not fit: the JPEG needs more than %ld bytes\n", capacity);
    return cli::kExitFailed;
  }
  buffer.resize(image.jpeg_memory_size());
  if (!WriteFileBytes(a.Rest()[1], buffer)) {
    std::fprintf(stderr, "quillet-cli: jpeg: cannot write %s\n", a.Rest()[1].c_str());
    return cli::kExitFailed;
  }
  std::printf("%zu bytes\n", buffer.size());
  return cli::kExitOk;
}

}  // namespace

QUILLET_CLI_COMMAND("jpeg", "encode a PPM picture as JPEG into a fixed-size block",
                    "quillet-cli jpeg IN.ppm OUT.jpg --quality Q [--capacity N]\n\n"
                    "Encodes IN.ppm (binary P6 or P5) through FloatImage::save_jpeg_memory at\n"
                    "quality Q (0-100) into a block of N bytes (default 204800, the image\n"
                    "window's block) and writes the JPEG to OUT.jpg. Prints its size.\n"
                    "Exit 0; 1 when the JPEG does not fit N bytes; 2 for bad arguments or input.",
                    RunJpeg);
