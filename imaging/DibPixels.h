// Packed DIBs as pixels: what a .bmp file or the clipboard's picture shows,
// as packed RGB, and a picture made into a 24-bit DIB again.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/PackedDib.h"

namespace quillet {

// The pixels of a packed DIB with bits: 1, 4 and 8 bits through its colour
// table (4 and 8 bits also run-length encoded), 24 bits as they are; rows
// bottom-up or (negative height) top-down.
// Packed RGB, top row first. False for a block without bits, a depth or
// compression we cannot show, or bits shorter than the rows need.
bool DibToRgb(const PackedDib& dib, int* width, int* height, std::vector<uint8_t>* rgb);

// A 24-bit bottom-up packed DIB of packed RGB pixels (96 dots per inch).
// Null when the size is not one we hold.
PackedDib RgbToDib(int width, int height, const uint8_t* rgb);

}  // namespace quillet
