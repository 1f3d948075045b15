#include "store/FileNames.h"

#include <ctime>

namespace quillet {
namespace {

std::chrono::system_clock::time_point SystemNow() { return std::chrono::system_clock::now(); }

WallClock g_clock = &SystemNow;

}  // namespace

WallClock SetFileNameClock(WallClock clock) {
  WallClock previous = g_clock;
  g_clock = clock != nullptr ? clock : &SystemNow;
  return previous;
}

uint32_t LcgDraw(uint32_t seed) {
  uint32_t state = seed * 214013u + 2531011u;
  return (state >> 16) & 0x7FFF;
}

std::string MakeFileName(std::chrono::system_clock::time_point now, const char* extension) {
  using namespace std::chrono;
  const auto since_epoch = now.time_since_epoch();
  const auto whole_seconds = floor<seconds>(since_epoch);
  const auto millis = duration_cast<milliseconds>(since_epoch - whole_seconds).count();
  const std::time_t t = static_cast<std::time_t>(whole_seconds.count());
  std::tm utc{};
  gmtime_r(&t, &utc);
  // The generator is seeded with the time in seconds just before its one
  // draw, so the draw depends on nothing but the clock.
  const uint32_t draw = LcgDraw(static_cast<uint32_t>(whole_seconds.count()));
  return std::to_string(utc.tm_mday) + std::to_string(utc.tm_mon + 1) +
         std::to_string(utc.tm_year + 1900) + std::to_string(millis) + std::to_string(draw) +
         (extension != nullptr ? extension : "");
}

std::string GenerateFileName(const char* extension) { return MakeFileName(g_clock(), extension); }

}  // namespace quillet
