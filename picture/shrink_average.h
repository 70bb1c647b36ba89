#pragma once
// Shrinking a true-colour picture by averaging, the same on every platform:
// each target pixel is the mean of the block of source pixels it stands for,
// so fine detail turns into its average colour instead of being dropped.
#include <cstdint>
#include <vector>

#include "picture/bmp_layout.h"

namespace picture {

// Whether ShrinkByAveraging takes this picture (24 or 32 bits per pixel).
bool CanShrinkByAveraging(const BitmapView& picture);

// The picture at width x height, no larger than its own size in either
// direction, as top-down rows of 0x00RRGGBB pixels. Empty when the picture
// is not taken or the size is out of range.
std::vector<std::uint32_t> ShrinkByAveraging(const BitmapView& picture, int width, int height);

}  // namespace picture
