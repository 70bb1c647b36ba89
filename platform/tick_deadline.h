#pragma once
// Deadlines on the system's 32-bit millisecond tick count, which wraps about
// every 49.7 days.
#include <cstdint>

namespace platform {

constexpr std::uint32_t TickDeadline(std::uint32_t now, std::uint32_t milliseconds) {
  return now + milliseconds;  // wraps at 2^32
}

// True once the tick count is past the deadline. Compared by the signed
// distance, so a deadline that wrapped past zero is neither reached at once
// nor, for a deadline of 0xFFFFFFFF, never.
constexpr bool TickPassed(std::uint32_t now, std::uint32_t deadline) {
  return static_cast<std::int32_t>(now - deadline) > 0;
}

}  // namespace platform
