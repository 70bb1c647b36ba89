#include "platform/message_box_style.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageBoxStyle, BecomesTaskModalUnlessSystemModal) {
  struct Case {
    unsigned given;
    unsigned shown;
  };
  const Case cases[] = {
      {0x0, 0x2000},     // the hotkey failure: OK only, task-modal
      {0x10, 0x2010},    // the write failure: error icon, task-modal
      {0x24, 0x2024},    // a question with yes/no keeps its buttons and icon
      {0x1000, 0x1000},  // system-modal stays system-modal, no task bit
      {0x1010, 0x1010},
      {0x2000, 0x2000},  // already task-modal: the bit is not added twice (0x4000 is MB_HELP)
      {0x2010, 0x2010},
      {0x3000, 0x3000},
      {0x40000, 0x42000},  // MB_TOPMOST and the like pass through
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::MessageBoxStyle(c.given), c.shown) << std::hex << "given 0x" << c.given;
  }
}

}  // namespace
