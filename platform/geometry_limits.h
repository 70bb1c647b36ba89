#pragma once
// Limits of the geometry properties of windows and units.
#include <algorithm>

namespace platform {

// Left and top.
constexpr int ClampPosition(int value) { return std::clamp(value, -32627, 32627); }
// Width and height: a negative value becomes 0.
constexpr int ClampSize(int value) { return std::clamp(value, 0, 32627); }

}  // namespace platform
