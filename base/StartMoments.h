// The moments of the program's start, for the start-up benchmark: each
// step of a start notes when it ended (the wall clock, so that a moment can
// be set against a time another process took, as the benchmark's own time
// before it started the program). Only the first start of the window is
// noted: once the moments are taken (Taken), notes are ignored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillet {

struct StartMoment {
  const char* what;  // the step that ended here (a literal)
  int64_t ns;        // CLOCK_REALTIME, nanoseconds
};

// Notes that the step `what` (a string literal) ended now.
void NoteStartMoment(const char* what);
// The moments so far, in the order noted; no more are noted after this.
std::vector<StartMoment> TakeStartMoments();
// The steps as one line, "step ms, step ms, ...", each from the moment
// before it; the first from `beginNs` (0: from the first moment).
std::string StartStepsLine(const std::vector<StartMoment>& moments, int64_t beginNs);

}  // namespace quillet
