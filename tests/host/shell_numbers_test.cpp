// The small numeric rules the shell and the capture rely on.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "app/program_folder.h"
#include "capture/region_span.h"
#include "platform/geometry_limits.h"
#include "platform/hotkey_codes.h"
#include "platform/integer_bytes.h"
#include "platform/tick_deadline.h"

namespace {

TEST(TickDeadline, PassesOnlyAfterTheDeadlineAcrossTheWrap) {
  struct Case {
    std::uint32_t start, wait, now;
    bool passed;
  } cases[] = {
      {1000, 20, 1000, false},
      {1000, 20, 1020, false},  // reached is not passed
      {1000, 20, 1021, true},
      {0xFFFFFFF0u, 20, 0xFFFFFFF0u, false},  // the deadline wrapped to 4
      {0xFFFFFFF0u, 20, 0xFFFFFFFFu, false},
      {0xFFFFFFF0u, 20, 4, false},
      {0xFFFFFFF0u, 20, 5, true},
      {0xFFFFFFEBu, 20, 0xFFFFFFFFu, false},  // a deadline of 0xFFFFFFFF
      {0xFFFFFFEBu, 20, 0, true},             // is still passed once the tick wraps
  };
  for (const Case& c : cases) {
    const std::uint32_t deadline = platform::TickDeadline(c.start, c.wait);
    EXPECT_EQ(platform::TickPassed(c.now, deadline), c.passed)
        << "start " << c.start << " wait " << c.wait << " now " << c.now;
  }
}

TEST(RegionSpan, IsTheExactDifferenceForAnyCoordinates) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
  struct Case {
    std::int32_t start, end, span;
  } cases[] = {
      {100, 300, 200}, {50, 150, 100}, {300, 100, -200}, {7, 7, 0}, {7, 8, 1},
      {0, kMax, kMax}, {kMin, -1, kMax},
      {kMin, kMax, -1},  // low 32 bits of 2^32 - 1
      {kMax, kMin, 1},   // low 32 bits of -(2^32 - 1)
  };
  for (const Case& c : cases)
    EXPECT_EQ(capture::RegionSpan(c.start, c.end), c.span) << c.start << " -> " << c.end;
}

TEST(GeometryLimits, ClampPositionsAndSizes) {
  EXPECT_EQ(platform::ClampPosition(-40000), -32627);
  EXPECT_EQ(platform::ClampPosition(40000), 32627);
  EXPECT_EQ(platform::ClampPosition(-5), -5);
  EXPECT_EQ(platform::ClampSize(-200), 0);
  EXPECT_EQ(platform::ClampSize(1920), 1920);
  EXPECT_EQ(platform::ClampSize(40000), 32627);
}

TEST(IntegerBytes, AreLittleEndian) {
  using Bytes = std::array<std::uint8_t, 4>;
  EXPECT_EQ(platform::IntegerBytes(2), (Bytes{2, 0, 0, 0}));
  EXPECT_EQ(platform::IntegerBytes(0), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(platform::IntegerBytes(0x01020304), (Bytes{4, 3, 2, 1}));
  EXPECT_EQ(platform::IntegerBytes(-2), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(HotkeyCodes, ModifierCodeBecomesSystemFlags) {
  EXPECT_EQ(platform::SystemModifiers(0), 0u);
  EXPECT_EQ(platform::SystemModifiers(1), 0x0002u);  // Ctrl
  EXPECT_EQ(platform::SystemModifiers(2), 0x0004u);  // Shift
  EXPECT_EQ(platform::SystemModifiers(4), 0x0001u);  // Alt
  EXPECT_EQ(platform::SystemModifiers(7), 0x0007u);
}

TEST(ProgramFolder, IsThePathUpToTheLastBackslash) {
  EXPECT_EQ(app::ProgramFolder(L"C:\\Tools\\tessarin.exe"), L"C:\\Tools");
  EXPECT_EQ(app::ProgramFolder(L"Z:\\a\\b\\截图\\tessarin.exe"), L"Z:\\a\\b\\截图");
  EXPECT_EQ(app::ProgramFolder(L"C:\\tessarin.exe"), L"C:");
  EXPECT_EQ(app::ProgramFolder(L"tessarin.exe"), L"tessarin.exe");
}

}  // namespace
