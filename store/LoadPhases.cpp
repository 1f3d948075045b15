#include "store/LoadPhases.h"

#include <time.h>

#include <cstdio>

namespace quillet {
namespace load_timing {

bool g_on = false;
StoreLoadPhases g_now;
namespace {
StoreLoadPhases g_last;
StoreLoadPhases g_first;
bool g_first_taken = false;
bool g_first_is_last = false;
}  // namespace

int64_t NowNs() {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void Begin() { g_now = StoreLoadPhases{}; }

void Publish() {
  // What the records took is what the pass took beyond the phases timed
  // inside it.
  StoreLoadPhases& p = g_now;
  p.recordsNs = p.totalNs - p.openNs - p.bufferReadNs - p.pictureReadNs - p.pictureMemoryNs - p.pictureDigestNs -
                p.insertNs - p.closeNs;
  g_last = p;
  g_first_is_last = !g_first_taken;
  if (!g_first_taken) {
    g_first = p;
    g_first_taken = true;
  }
}

void NoteIdIndex(int64_t ns) {
  if (g_last.idIndexNs != 0) return;
  g_last.idIndexNs = ns;
  if (g_first_is_last) g_first.idIndexNs = ns;
}

}  // namespace load_timing

bool SetStoreLoadTiming(bool on) {
  const bool was = load_timing::g_on;
  load_timing::g_on = on;
  if (on && !was) {
    load_timing::g_first = StoreLoadPhases{};
    load_timing::g_first_taken = false;
    load_timing::g_first_is_last = false;
  }
  return was;
}

bool StoreLoadTiming() { return load_timing::g_on; }

StoreLoadPhases LastStoreLoadPhases() { return load_timing::g_last; }

StoreLoadPhases FirstStoreLoadPhases() { return load_timing::g_first; }

std::string StoreLoadPhasesLine(const StoreLoadPhases& p) {
  const struct {
    const char* name;
    int64_t ns;
  } parts[] = {
      {"open", p.openNs},
      {"reads waited for", p.bufferReadNs},
      {"picture reads", p.pictureReadNs},
      {"picture memory", p.pictureMemoryNs},
      {"picture digest", p.pictureDigestNs},
      {"records parsed", p.recordsNs},
      {"records placed", p.insertNs},
      {"close", p.closeNs},
      {"whole load", p.totalNs},
      {"id index", p.idIndexNs},
  };
  std::string line;
  char piece[64];
  for (const auto& part : parts) {
    std::snprintf(piece, sizeof piece, "%s%s %.1f ms", line.empty() ? "" : ", ", part.name,
                  static_cast<double>(part.ns) / 1e6);
    line += piece;
  }
  std::snprintf(piece, sizeof piece, " (%u records, %u waits for reads, %u picture reads)", p.records, p.bufferReads,
                p.pictureReads);
  line += piece;
  return line;
}

}  // namespace quillet
