#include "picture/shrink_average.h"

#include <algorithm>
#include <cstddef>

namespace picture {
namespace {

// Target column (or row) t stands for the source range
// [t * source / target, (t + 1) * source / target), never empty when
// target <= source.
std::int64_t RangeStart(std::int64_t t, std::int64_t source, std::int64_t target) {
  return t * source / target;
}

}  // namespace

bool CanShrinkByAveraging(const BitmapView& picture) {
  return picture.bitCount == 24 || picture.bitCount == 32;
}

std::vector<std::uint32_t> ShrinkByAveraging(const BitmapView& picture, int width, int height) {
  const int sourceWidth = picture.width;
  const int sourceHeight = picture.rows();
  if (!CanShrinkByAveraging(picture) || width <= 0 || height <= 0 || width > sourceWidth ||
      height > sourceHeight) {
    return {};
  }
  const std::size_t pixelSize = picture.bitCount / 8;
  const std::size_t rowSize = static_cast<std::size_t>(RowSize(sourceWidth, picture.bitCount));

  std::vector<int> targetColumn(static_cast<std::size_t>(sourceWidth));
  std::vector<std::uint32_t> columnWidth(static_cast<std::size_t>(width));
  for (int t = 0; t < width; ++t) {
    const auto begin = RangeStart(t, sourceWidth, width);
    const auto end = RangeStart(t + 1, sourceWidth, width);
    for (auto x = begin; x < end; ++x) targetColumn[static_cast<std::size_t>(x)] = t;
    columnWidth[static_cast<std::size_t>(t)] = static_cast<std::uint32_t>(end - begin);
  }

  std::vector<std::uint32_t> result(static_cast<std::size_t>(width) * height);
  std::vector<std::uint64_t> sums(static_cast<std::size_t>(width) * 3);
  for (int row = 0; row < height; ++row) {
    const auto top = RangeStart(row, sourceHeight, height);
    const auto bottom = RangeStart(row + 1, sourceHeight, height);
    std::fill(sums.begin(), sums.end(), 0);
    for (auto y = top; y < bottom; ++y) {
      const auto stored = picture.topDown() ? y : sourceHeight - 1 - y;
      const std::uint8_t* source = picture.pixels + static_cast<std::size_t>(stored) * rowSize;
      for (int x = 0; x < sourceWidth; ++x, source += pixelSize) {
        std::uint64_t* sum = &sums[static_cast<std::size_t>(targetColumn[x]) * 3];
        sum[0] += source[0];  // blue
        sum[1] += source[1];  // green
        sum[2] += source[2];  // red
      }
    }
    std::uint32_t* target = &result[static_cast<std::size_t>(row) * width];
    for (int t = 0; t < width; ++t) {
      const std::uint64_t count = std::uint64_t{columnWidth[t]} * static_cast<std::uint64_t>(bottom - top);
      const std::uint64_t* sum = &sums[static_cast<std::size_t>(t) * 3];
      const auto mean = [&](int channel) {
        return static_cast<std::uint32_t>((sum[channel] + count / 2) / count);
      };
      target[t] = (mean(2) << 16) | (mean(1) << 8) | mean(0);
    }
  }
  return result;
}

}  // namespace picture
