// libFuzzer target: Load must survive any bytes, never allocate more than
// the file holds, and a clean load must save back to the same bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "store/RecordStore.h"

namespace {

std::string ScratchFile(const char* name) {
  static std::string dir = [] {
    char tmpl[] = "/tmp/quillet-fuzz-XXXXXX";
    return std::string(::mkdtemp(tmpl));
  }();
  return dir + "/" + name;
}

std::vector<uint8_t> Slurp(const std::string& path) {
  std::vector<uint8_t> out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return out;
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string in = ScratchFile("in.dat");
  const std::string out = ScratchFile("out.dat");
  FILE* f = std::fopen(in.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  quillet::CRecordStore store(in, "");
  const quillet::DbResult rc = store.Load();
  if (store.SaveTo(out) != quillet::DB_OK) std::abort();
  if (rc == quillet::DB_OK) {
    // A clean load gives the same records back. The bytes may differ only
    // where the store rewrites them: slotIndex, the markers, and whatever
    // followed the last entry.
    quillet::CRecordStore again(out, "");
    if (again.Load() != quillet::DB_OK || again.liveCount() != store.liveCount()) std::abort();
    if (again.SaveTo(in) != quillet::DB_OK || Slurp(in) != Slurp(out)) std::abort();
  }
  return 0;
}
