#include "picture/shrink_average.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "picture/bmp_layout.h"

namespace picture {
namespace {

// A picture file in memory with pixels given as 0xRRGGBB by (x, y) from the top.
struct TestPicture {
  std::vector<std::uint8_t> bytes;
  BitmapView view;

  TestPicture(int width, int height, int bitCount, bool topDown,
              const std::function<std::uint32_t(int, int)>& pixel) {
    const std::size_t rowSize = static_cast<std::size_t>(RowSize(width, bitCount));
    const PictureHeader header = BuildPictureHeader(width, topDown ? -height : height);
    bytes.assign(header.begin(), header.end());
    bytes[28] = static_cast<std::uint8_t>(bitCount);
    bytes.resize(54 + rowSize * height);
    for (int y = 0; y < height; ++y) {
      std::uint8_t* row = bytes.data() + 54 + rowSize * (topDown ? y : height - 1 - y);
      for (int x = 0; x < width; ++x) {
        const std::uint32_t c = pixel(x, y);
        std::uint8_t* p = row + x * (bitCount / 8);
        p[0] = static_cast<std::uint8_t>(c);
        p[1] = static_cast<std::uint8_t>(c >> 8);
        p[2] = static_cast<std::uint8_t>(c >> 16);
        if (bitCount == 32) p[3] = 0xEE;  // unused byte, must not leak into the colour
      }
    }
    view = *ReadBitmap(bytes);
  }
};

TEST(ShrinkByAveraging, EachTargetPixelIsTheRoundedMeanOfItsBlock) {
  // 4x2 to 2x1: two 2x2 blocks.
  const std::uint32_t pixels[2][4] = {{0x000000, 0x0A1E32, 0xFF0000, 0xFF0000},
                                      {0x141414, 0x010203, 0x00FF00, 0x0000FF}};
  for (const auto& [bits, topDown] : {std::pair{24, false}, std::pair{24, true},
                                      std::pair{32, false}, std::pair{32, true}}) {
    SCOPED_TRACE(std::to_string(bits) + (topDown ? " top-down" : " bottom-up"));
    const TestPicture picture(4, 2, bits, topDown, [&](int x, int y) { return pixels[y][x]; });
    // Left block: red (0+10+20+1)/4 = 7.75 -> 8, green (0+30+20+2)/4 = 13,
    // blue (0+50+20+3)/4 = 18.25 -> 18. Right block: red 510/4 -> 128 (127.5
    // rounds up), green 255/4 -> 64, blue 255/4 -> 64.
    EXPECT_EQ(ShrinkByAveraging(picture.view, 2, 1),
              (std::vector<std::uint32_t>{0x080D12, 0x804040}));
  }
}

TEST(ShrinkByAveraging, UnevenRatiosCoverEverySourcePixelOnce) {
  // 5 columns to 2: blocks of 2 and 3 columns; 3 rows to 2: blocks of 1 and 2.
  // Every source pixel has its own blue value, so each mean shows which
  // pixels its block counted.
  const TestPicture picture(5, 3, 24, false, [](int x, int y) {
    return static_cast<std::uint32_t>((x + 1) * 10 + y * 60);  // blue only
  });
  // Column blocks {0,1} and {2,3,4}; row blocks {0} and {1,2}.
  const auto value = [](int x, int y) { return (x + 1) * 10 + y * 60; };
  const auto mean = [&](std::initializer_list<int> xs, std::initializer_list<int> ys) {
    int sum = 0, count = 0;
    for (int y : ys)
      for (int x : xs) sum += value(x, y), ++count;
    return static_cast<std::uint32_t>((sum + count / 2) / count);
  };
  EXPECT_EQ(ShrinkByAveraging(picture.view, 2, 2),
            (std::vector<std::uint32_t>{mean({0, 1}, {0}), mean({2, 3, 4}, {0}),
                                        mean({0, 1}, {1, 2}), mean({2, 3, 4}, {1, 2})}));
}

TEST(ShrinkByAveraging, FineCheckerboardTurnsGreyAndSolidColourStaysExact) {
  const TestPicture checker(584, 300, 24, false,
                            [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFu : 0u; });
  for (std::uint32_t pixel : ShrinkByAveraging(checker.view, 292, 150)) ASSERT_EQ(pixel, 0x808080u);

  const TestPicture solid(1920, 1080, 32, false, [](int, int) { return 0x123456u; });
  for (std::uint32_t pixel : ShrinkByAveraging(solid.view, 292, 164)) ASSERT_EQ(pixel, 0x123456u);
}

TEST(ShrinkByAveraging, TakesOnlyTrueColourPicturesAndShrinkingSizes) {
  const TestPicture picture(4, 4, 24, false, [](int, int) { return 0x102030u; });
  EXPECT_EQ(ShrinkByAveraging(picture.view, 4, 4), std::vector<std::uint32_t>(16, 0x102030u));
  EXPECT_TRUE(ShrinkByAveraging(picture.view, 5, 4).empty());
  EXPECT_TRUE(ShrinkByAveraging(picture.view, 4, 5).empty());
  EXPECT_TRUE(ShrinkByAveraging(picture.view, 0, 2).empty());
  EXPECT_TRUE(ShrinkByAveraging(picture.view, 2, -1).empty());

  BitmapView eightBits = picture.view;
  eightBits.bitCount = 8;
  EXPECT_FALSE(CanShrinkByAveraging(eightBits));
  EXPECT_TRUE(ShrinkByAveraging(eightBits, 2, 2).empty());
}

}  // namespace
}  // namespace picture
