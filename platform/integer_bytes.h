#pragma once
// The byte form of an integer: its four bytes, little-endian.
#include <array>
#include <cstdint>

namespace platform {

constexpr std::array<std::uint8_t, 4> IntegerBytes(std::int32_t value) {
  const auto bits = static_cast<std::uint32_t>(value);
  return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
          static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

}  // namespace platform
