#pragma once
// The width or height of the captured area along one axis.
#include <cstdint>

namespace capture {

// end - start, computed in double and truncated toward zero, keeping the low
// 32 bits of the 64-bit result: exact for any two 32-bit coordinates. A
// negative span later becomes a size of 0.
constexpr std::int32_t RegionSpan(std::int32_t start, std::int32_t end) {
  const double difference = static_cast<double>(end) - static_cast<double>(start);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(
      static_cast<std::uint64_t>(static_cast<std::int64_t>(difference))));
}

}  // namespace capture
