// Writes the stand-in for the handheld application file Quillet.prc that the
// installer queues for the next HotSync. The real application is built with
// the handheld's own tools and is not part of this project; this is an empty
// resource database with the application's name, type 'appl' and creator
// code 'QLTN', enough for the queue and a HotSync to carry.
//
//   make-placeholder-prc OUTPUT
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

void Put16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (24 - 8 * i));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-placeholder-prc OUTPUT\n");
    return 2;
  }
  // The 78-byte database header, the empty resource list and its two
  // bytes of padding; numbers are big-endian.
  uint8_t h[80] = {};
  std::memcpy(h, "Quillet", 7);     // name, zero-padded to 32 bytes
  Put16(h + 32, 0x0001);            // attributes: resource database
  Put16(h + 34, 1);                 // version
  const uint32_t created = 0xBA37E000;  // fixed, so builds are reproducible
  Put32(h + 36, created);
  Put32(h + 40, created);
  std::memcpy(h + 60, "appl", 4);
  std::memcpy(h + 64, "QLTN", 4);
  // next record list 0, no resources (h + 76)
  FILE* f = std::fopen(argv[1], "wb");
  if (!f) {
    std::perror(argv[1]);
    return 1;
  }
  bool ok = std::fwrite(h, 1, sizeof h, f) == sizeof h;
  ok = std::fclose(f) == 0 && ok;
  return ok ? 0 : 1;
}
