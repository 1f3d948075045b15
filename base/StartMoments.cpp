#include "base/StartMoments.h"

#include <time.h>

#include <cstdio>

namespace quillet {
namespace {

struct Moments {
  std::vector<StartMoment> noted;
  bool taken = false;
};

Moments& All() {
  static Moments moments;
  return moments;
}

}  // namespace

void NoteStartMoment(const char* what) {
  Moments& m = All();
  if (m.taken) return;
  timespec now{};
  ::clock_gettime(CLOCK_REALTIME, &now);
  if (m.noted.empty()) m.noted.reserve(32);
  m.noted.push_back({what, int64_t{now.tv_sec} * 1000000000 + now.tv_nsec});
}

std::vector<StartMoment> TakeStartMoments() {
  Moments& m = All();
  m.taken = true;
  return m.noted;
}

std::string StartStepsLine(const std::vector<StartMoment>& moments, int64_t beginNs) {
  std::string line;
  int64_t before = beginNs > 0 ? beginNs : (moments.empty() ? 0 : moments.front().ns);
  for (const StartMoment& moment : moments) {
    char part[160];
    std::snprintf(part, sizeof part, "%s%s %.1f ms", line.empty() ? "" : ", ", moment.what,
                  static_cast<double>(moment.ns - before) / 1e6);
    line += part;
    before = moment.ns;
  }
  return line;
}

}  // namespace quillet
