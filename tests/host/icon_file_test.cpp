// The program's icon file: five 32-bit images, 128, 64, 48, 32 and 16 pixels.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::uint32_t Read(const std::vector<unsigned char>& b, size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = (value << 8) | b.at(at + static_cast<size_t>(i));
  return value;
}

TEST(IconFile, HoldsFiveThirtyTwoBitImagesOfTheListedSizes) {
  std::ifstream file(TESSARIN_ICON_FILE, std::ios::binary);
  ASSERT_TRUE(file) << TESSARIN_ICON_FILE;
  const std::vector<unsigned char> b((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  ASSERT_GE(b.size(), 6u);
  EXPECT_EQ(Read(b, 0, 2), 0u);  // reserved
  EXPECT_EQ(Read(b, 2, 2), 1u);  // an icon, not a cursor
  ASSERT_EQ(Read(b, 4, 2), 5u);
  const std::uint32_t sizes[] = {128, 64, 48, 32, 16};
  for (size_t i = 0; i < 5; ++i) {
    const size_t entry = 6 + 16 * i;
    const std::uint32_t size = b.at(entry) == 0 ? 256 : b.at(entry);
    EXPECT_EQ(size, sizes[i]);
    EXPECT_EQ(Read(b, entry + 6, 2), 32u) << "bits per pixel of image " << i;
    const std::uint32_t length = Read(b, entry + 8, 4);
    const std::uint32_t offset = Read(b, entry + 12, 4);
    ASSERT_LE(static_cast<size_t>(offset) + length, b.size());
    // Each image is a bitmap of twice its height (colour and mask) at 32 bits.
    EXPECT_EQ(Read(b, offset, 4), 40u);
    EXPECT_EQ(Read(b, offset + 4, 4), sizes[i]);
    EXPECT_EQ(Read(b, offset + 8, 4), 2 * sizes[i]);
    EXPECT_EQ(Read(b, offset + 14, 2), 32u);
  }
}

}  // namespace
