// Timing helpers shared by the benchmarks: wall time between two points,
// this thread's CPU time, the median of a series of runs.
#pragma once

#include <time.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace quillet::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::time_point a, Clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

inline double MsSince(Clock::time_point start) { return Ms(start, Clock::now()); }

// CPU time of this thread: other programs on a shared machine inflate wall
// time far more.
inline double CpuMs() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace quillet::bench
