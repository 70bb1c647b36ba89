#pragma once
// A pixel's colour as the Windows-side tests compare and print it.
#include <cstdint>
#include <sstream>
#include <string>

namespace test_support {

struct Rgb {
  std::uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

inline std::string Describe(Rgb c) {
  std::ostringstream text;
  text << '(' << int{c.r} << ',' << int{c.g} << ',' << int{c.b} << ')';
  return text.str();
}

}  // namespace test_support
