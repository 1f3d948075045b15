// quillet-cli image: loads a .bmp or .jpg file as the image window does.
#include <cstdio>

#include "imaging/FloatImage.h"
#include "imaging/Ppm.h"
#include "programs/quillet-cli/CliCommand.h"

namespace {

using namespace quillet;

int RunImage(const std::vector<std::string>& args) {
  cli::Args a(args);
  if (!a.UnknownOption().empty()) return cli::UsageError("image: unknown option " + a.UnknownOption());
  if (a.Rest().size() != 2) return cli::UsageError("image takes IN OUT.ppm");
  const std::string& in = a.Rest()[0];
  const std::string& out = a.Rest()[1];

  FloatImage image;
  const int result = image.load(in.c_str());
  std::printf("FloatImage::load: %d, %d x %d\n", result, image.width(), image.height());
  if (result != 0) return cli::kExitFailed;
  if (image.pixel_count() == 0) {
    std::printf("no pixels (only 24-bit uncompressed .bmp files and JPEG files give pixels)\n");
    return cli::kExitOk;
  }
  if (!WriteFileBytes(out, PpmBytes(image))) {
    std::fprintf(stderr, "quillet-cli: image: cannot write %s\n", out.c_str());
    return cli::kExitFailed;
  }
  return cli::kExitOk;
}

}  // namespace

QUILLET_CLI_COMMAND("image", "load a .bmp or .jpg file and write it as PPM",
                    "quillet-cli image IN OUT.ppm\n\n"
                    "Loads IN with FloatImage::load (the BMP reader first, then the JPEG reader)\n"
                    "and prints the loader's result and the picture's size. When the picture has\n"
                    "pixels they are written to OUT.ppm as a binary PPM (P6).\n"
                    "Exit 0 when the load succeeded, 1 when it failed.",
                    RunImage);
