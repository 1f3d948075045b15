// Writes the JPEG fuzzer's seed corpus into the folder given
// (scripts/dev.sh fuzz runs it when that corpus is empty).
#include <cstdio>
#include <string>

#include "imaging/fuzz/JpegSeeds.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: imaging_jpeg_seeds FOLDER\n");
    return 2;
  }
  int written = 0;
  for (const quillet::JpegSeed& seed : quillet::MakeJpegSeeds()) {
    const std::string path = std::string(argv[1]) + "/" + seed.name;
    std::FILE* f = std::fopen(path.c_str(), "wbx");
    if (!f) continue;  // already there
    const bool ok = std::fwrite(seed.bytes.data(), 1, seed.bytes.size(), f) == seed.bytes.size();
    if (std::fclose(f) == 0 && ok) ++written;
  }
  std::printf("%d seeds written to %s\n", written, argv[1]);
  return written > 0 ? 0 : 1;
}
