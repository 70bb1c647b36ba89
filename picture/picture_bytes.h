#pragma once
// Picture bytes: one complete Windows bitmap file held in memory, owned by
// whoever holds the vector. Empty means "no picture".
#include <cstdint>
#include <vector>

namespace picture {

using PictureBytes = std::vector<std::uint8_t>;

}  // namespace picture
