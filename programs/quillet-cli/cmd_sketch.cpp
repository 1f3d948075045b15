// quillet-cli sketch: decodes a handheld sketch (the data of a format-2
// image record) into a PPM picture.
#include <cstdio>

#include "imaging/Ppm.h"
#include "imaging/Sketch.h"
#include "programs/quillet-cli/CliCommand.h"

namespace {

using namespace quillet;

const char* CompressionWord(const SketchHeader& h) {
  if (!(h.flags & kSketchCompressed)) return "uncompressed";
  switch (h.compression_type) {
    case kSketchScanLine: return "scan-line";
    case kSketchRunLength: return "run-length";
    case kSketchPackBits: return "PackBits (not decoded)";
    default: return "unknown compression (rows read as stored)";
  }
}

int RunSketch(const std::vector<std::string>& args) {
  cli::Args a(args);
  if (!a.UnknownOption().empty()) return cli::UsageError("sketch: unknown option " + a.UnknownOption());
  if (a.Rest().size() != 2) return cli::UsageError("sketch takes IN OUT.ppm");
  const std::string& in = a.Rest()[0];
  const std::string& out = a.Rest()[1];

  std::vector<uint8_t> bytes;
  // A sketch is a few kilobytes: a file of more than 16 MB is not one.
  if (!ReadFileBytes(in, &bytes, size_t{1} << 24)) return cli::UsageError("sketch: cannot read " + in);

  FloatImage image;
  SketchDecodeInfo info;
  const uint32_t result = DecodeSketch(bytes.data(), bytes.size(), &image, &info);
  const SketchHeader& h = info.header;
  if (result == 0 && bytes.size() < kSketchHeaderSize) {
    std::fprintf(stderr, "quillet-cli: sketch: %s holds %zu bytes, fewer than a sketch header\n",
                 in.c_str(), bytes.size());
    return cli::kExitFailed;
  }
  if (result == 0 && image.pixel_count() == 0) {
    std::fprintf(stderr, "quillet-cli: sketch: %s: a %u x %u sketch cannot be decoded\n", in.c_str(),
                 h.width, h.height);
    return cli::kExitFailed;
  }
  if (h.height > 0 && h.row_bytes > 0 && info.truncated && info.rows_offset >= bytes.size()) {
    std::fprintf(stderr, "quillet-cli: sketch: %s: the data end before the first row\n", in.c_str());
    return cli::kExitFailed;
  }

  std::printf("%u x %u, %u bits a pixel, row bytes %u, %s\n", h.width, h.height, h.pixel_size,
              h.row_bytes, CompressionWord(h));
  if (!SketchPalette(h.pixel_size)) std::printf("pixel size %u is not drawn: the picture is white\n", h.pixel_size);
  if (info.truncated) {
    std::printf("the data end early: %u of %u rows complete, the rest left white\n",
                info.rows_complete, h.height);
  }
  if (!WriteFileBytes(out, PpmBytes(image))) {
    std::fprintf(stderr, "quillet-cli: sketch: cannot write %s\n", out.c_str());
    return cli::kExitFailed;
  }
  return cli::kExitOk;
}

}  // namespace

QUILLET_CLI_COMMAND("sketch", "decode a handheld sketch into a PPM picture",
                    "quillet-cli sketch IN OUT.ppm\n\n"
                    "IN holds the bytes of a sketch (the data of a format-2 image record, as\n"
                    "`quillet-cli dump --extract` writes them). Writes the decoded picture as a\n"
                    "binary PPM (P6) and prints its size, depth and compression.\n"
                    "Exit 0; 1 when nothing could be decoded; 2 when IN cannot be read.",
                    RunSketch);
