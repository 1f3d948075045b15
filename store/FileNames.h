// Names of the files a topic's page or an image gets in the output folder
// when it is created on the desktop: the current UTC day, month, year and
// milliseconds as plain decimal numbers, then one draw of a linear
// congruential generator seeded with the current time in seconds, then the
// extension. E.g. 8 December 2026 at 42 ms past the second, draw 1234:
// "8122026421234.htm". Names made in the same millisecond may collide.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace quillet {

using WallClock = std::chrono::system_clock::time_point (*)();

// Replaces the clock the names are made from (tests use fixed times); null
// restores the system clock. Returns the previous one.
WallClock SetFileNameClock(WallClock clock);

// One draw: state = seed * 214013 + 2531011 (mod 2^32); bits 16 to 30 of the
// new state, 0 to 32767.
uint32_t LcgDraw(uint32_t seed);

// "<day><month><year><milliseconds><draw><extension>" for the given time.
std::string MakeFileName(std::chrono::system_clock::time_point now, const char* extension);
// The same for the current time of the file-name clock.
std::string GenerateFileName(const char* extension);
inline std::string GenerateTopicFileName() { return GenerateFileName(".htm"); }
inline std::string GenerateImageFileName() { return GenerateFileName(".jpg"); }

}  // namespace quillet
