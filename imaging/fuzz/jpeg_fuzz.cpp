// libFuzzer: JPEG decoding from memory must fail cleanly on any bytes.
#include <cstddef>
#include <cstdint>

#include "imaging/JpegFile.h"

namespace {
void Quiet(const char*) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quillet::SetJpegWarningHook(Quiet);
  int width = 0, height = 0;
  quillet::JpegFile::read_rgb_memory(data, size, &width, &height);
  return 0;
}
