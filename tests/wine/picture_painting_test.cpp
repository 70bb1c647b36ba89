#include "platform/picture_painting.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "rgb.h"

namespace platform {
namespace {

using test_support::Describe;
using test_support::Rgb;

constexpr Rgb kSentinel{1, 2, 3};
constexpr COLORREF kBackground = RGB(0xF0, 0xE0, 0xD0);
constexpr Rgb kBackgroundRgb{0xF0, 0xE0, 0xD0};

// A 32-bit top-down memory surface the painters draw on.
class Surface {
 public:
  Surface(int width, int height) : width_(width), height_(height), dc_(CreateCompatibleDC(nullptr)) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    pixels_ = static_cast<std::uint32_t*>(bits);
    previous_ = SelectObject(dc_.get(), bitmap_.get());
    for (int i = 0; i < width * height; ++i)
      pixels_[i] = (kSentinel.r << 16) | (kSentinel.g << 8) | kSentinel.b;
  }
  ~Surface() { SelectObject(dc_.get(), previous_); }

  HDC dc() const { return dc_.get(); }
  int width() const { return width_; }
  int height() const { return height_; }
  Rgb At(int x, int y) const {
    GdiFlush();
    const std::uint32_t p = pixels_[y * width_ + x];
    return {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
            static_cast<std::uint8_t>(p)};
  }

  // Every pixel against the expectation; the count of differences, the first
  // one described.
  int CountDifferences(const std::function<Rgb(int, int)>& expected, std::string* first) const {
    int count = 0;
    for (int y = 0; y < height_; ++y) {
      for (int x = 0; x < width_; ++x) {
        const Rgb want = expected(x, y);
        const Rgb got = At(x, y);
        if (got == want) continue;
        if (count++ == 0)
          *first = "at (" + std::to_string(x) + "," + std::to_string(y) + ") got " + Describe(got) +
                   " want " + Describe(want);
      }
    }
    return count;
  }

 private:
  int width_, height_;
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  std::uint32_t* pixels_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

// A two-colour picture, 7 wide (rows need padding at every depth) and 3
// tall, different in each row, so a flipped or shifted row shows.
constexpr int kSmallWidth = 7;
constexpr int kSmallHeight = 3;
constexpr Rgb kInk{255, 0, 255};
constexpr Rgb kPaper{0, 255, 0};
int SmallIndex(int x, int y) { return (x + 2 * y) % 3 == 0 ? 1 : 0; }
Rgb SmallPixel(int x, int y) { return SmallIndex(x, y) ? kInk : kPaper; }

struct FileFormat {
  std::uint16_t bitCount;
  bool topDown = false;
  std::uint32_t infoSize = 40;
  std::uint32_t coloursUsed = 0;  // 0: the full table up to 8 bits, none above
};

// Writes the small picture as a bitmap file of the given format.
std::vector<std::uint8_t> WriteSmallPicture(const FileFormat& format) {
  const std::uint32_t bits = format.bitCount;
  const std::uint32_t colours = format.coloursUsed ? format.coloursUsed : (bits <= 8 ? 1u << bits : 0u);
  const std::uint32_t rowSize = (kSmallWidth * bits + 31) / 32 * 4;
  const std::uint32_t offset = 14 + format.infoSize + 4 * colours;
  std::vector<std::uint8_t> file(offset + rowSize * kSmallHeight);
  auto put = [&](std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, static_cast<std::uint32_t>(file.size()), 4);
  put(10, offset, 4);
  put(14, format.infoSize, 4);
  put(18, kSmallWidth, 4);
  put(22, static_cast<std::uint32_t>(format.topDown ? -kSmallHeight : kSmallHeight), 4);
  put(26, 1, 2);
  put(28, format.bitCount, 2);
  put(46, format.coloursUsed, 4);
  // Table entries are blue, green, red, 0; entry 0 paper, entry 1 ink, the
  // rest a colour that must never show.
  for (std::uint32_t i = 0; i < colours; ++i) {
    const Rgb c = i == 0 ? kPaper : i == 1 ? kInk : Rgb{9, 9, 9};
    put(14 + format.infoSize + 4 * i, (c.r << 16) | (c.g << 8) | c.b, 4);
  }
  for (int y = 0; y < kSmallHeight; ++y) {
    const int stored = format.topDown ? y : kSmallHeight - 1 - y;
    std::uint8_t* row = file.data() + offset + stored * rowSize;
    for (int x = 0; x < kSmallWidth; ++x) {
      const int index = SmallIndex(x, y);
      const Rgb c = SmallPixel(x, y);
      switch (bits) {
        case 1: row[x / 8] |= static_cast<std::uint8_t>(index << (7 - x % 8)); break;
        case 4: row[x / 2] |= static_cast<std::uint8_t>(index << (x % 2 ? 0 : 4)); break;
        case 8: row[x] = static_cast<std::uint8_t>(index); break;
        case 16: {  // 5-5-5: full channels only, so the widening to 8 bits is exact
          const std::uint16_t v = static_cast<std::uint16_t>(((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3));
          row[2 * x] = static_cast<std::uint8_t>(v);
          row[2 * x + 1] = static_cast<std::uint8_t>(v >> 8);
          break;
        }
        case 24: row[3 * x] = c.b; row[3 * x + 1] = c.g; row[3 * x + 2] = c.r; break;
        case 32: row[4 * x] = c.b; row[4 * x + 1] = c.g; row[4 * x + 2] = c.r; break;
      }
    }
  }
  return file;
}

// A bottom-up 24-bit picture of any size from a pixel function.
std::vector<std::uint8_t> WritePicture(int width, int height, const std::function<Rgb(int, int)>& pixel) {
  const std::uint32_t rowSize = (width * 24 + 31) / 32 * 4;
  std::vector<std::uint8_t> file(54 + rowSize * height);
  auto put = [&](std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put(2, static_cast<std::uint32_t>(file.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, width, 4);
  put(22, height, 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < height; ++y) {
    std::uint8_t* row = file.data() + 54 + (height - 1 - y) * rowSize;
    for (int x = 0; x < width; ++x) {
      const Rgb c = pixel(x, y);
      row[3 * x] = c.b;
      row[3 * x + 1] = c.g;
      row[3 * x + 2] = c.r;
    }
  }
  return file;
}

TEST(PaintPictureTiled, LaysCopiesEdgeToEdgeForEveryFileFormat) {
  const std::pair<const char*, FileFormat> formats[] = {
      {"1 bit", {1}},
      {"4 bits", {4}},
      {"8 bits", {8}},
      {"8 bits, two-entry table", {8, false, 40, 2}},
      {"16 bits", {16}},
      {"24 bits", {24}},
      {"24 bits with an optional table", {24, false, 40, 3}},
      {"32 bits", {32}},
      {"24 bits top-down", {24, true}},
      {"8 bits top-down", {8, true}},
      {"24 bits, 108-byte header", {24, false, 108}},
  };
  for (const auto& [name, format] : formats) {
    SCOPED_TRACE(name);
    const std::vector<std::uint8_t> bytes = WriteSmallPicture(format);
    ASSERT_TRUE(CanPaintPicture(bytes));
    Surface surface(20, 8);  // two and a bit copies across, two and two thirds down
    PaintPictureTiled(surface.dc(), surface.width(), surface.height(), bytes);
    std::string first;
    const auto tiled = [](int x, int y) { return SmallPixel(x % kSmallWidth, y % kSmallHeight); };
    EXPECT_EQ(surface.CountDifferences(tiled, &first), 0) << first;
  }
}

TEST(PaintPictureTiled, PaintsOnlyInsideTheAreaAndKeepsTheGridUnderAClip) {
  const std::vector<std::uint8_t> bytes = WriteSmallPicture({24});
  Surface surface(30, 12);
  // The area is smaller than the surface, and the clip starts inside a tile:
  // the copies must still sit on the grid that starts at the top-left corner.
  IntersectClipRect(surface.dc(), 9, 4, 30, 12);
  PaintPictureTiled(surface.dc(), 25, 10, bytes);
  std::string first;
  EXPECT_EQ(surface.CountDifferences(
                [](int x, int y) {
                  const bool painted = x >= 9 && x < 25 && y >= 4 && y < 10;
                  return painted ? SmallPixel(x % kSmallWidth, y % kSmallHeight) : kSentinel;
                },
                &first),
            0)
      << first;
}

Rgb Gradient(int x, int y) {
  return {static_cast<std::uint8_t>(x * 2), static_cast<std::uint8_t>(y * 4),
          static_cast<std::uint8_t>(255 - x)};
}

TEST(PaintPictureCentredFit, ShowsAFittingPictureAtNaturalSizeInTheMiddle) {
  const std::vector<std::uint8_t> bytes = WritePicture(100, 50, Gradient);
  Surface surface(292, 258);
  PaintPictureCentredFit(surface.dc(), surface.width(), surface.height(), bytes, kBackground);
  std::string first;
  EXPECT_EQ(surface.CountDifferences(
                [](int x, int y) {
                  const bool inside = x >= 96 && x < 196 && y >= 104 && y < 154;
                  return inside ? Gradient(x - 96, y - 104) : kBackgroundRgb;
                },
                &first),
            0)
      << first;
}

TEST(PaintPictureCentredFit, ShrinksALargePictureBetweenBackgroundBands) {
  constexpr Rgb kTeal{0, 128, 128};
  const std::vector<std::uint8_t> bytes = WritePicture(584, 300, [&](int, int) { return kTeal; });
  Surface surface(292, 258);
  SetStretchBltMode(surface.dc(), COLORONCOLOR);
  SetBrushOrgEx(surface.dc(), 3, 5, nullptr);

  PaintPictureCentredFit(surface.dc(), surface.width(), surface.height(), bytes, kBackground);

  std::string first;
  EXPECT_EQ(surface.CountDifferences(
                [&](int, int y) { return y >= 54 && y < 204 ? kTeal : kBackgroundRgb; }, &first),
            0)
      << first;
  // The caller's drawing state is put back.
  EXPECT_EQ(GetStretchBltMode(surface.dc()), COLORONCOLOR);
  POINT origin{};
  GetBrushOrgEx(surface.dc(), &origin);
  EXPECT_EQ(origin.x, 3);
  EXPECT_EQ(origin.y, 5);
}

TEST(PaintPictureCentredFit, AveragesPixelsWhenShrinkingInsteadOfDroppingThem) {
  // A one-pixel checkerboard halved: dropping every other row and column
  // leaves one solid colour, averaging leaves grey.
  const std::vector<std::uint8_t> bytes = WritePicture(584, 300, [](int x, int y) {
    return (x + y) % 2 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
  });
  Surface surface(292, 258);
  PaintPictureCentredFit(surface.dc(), surface.width(), surface.height(), bytes, kBackground);
  int grey = 0, total = 0;
  for (int y = 60; y < 200; ++y) {
    for (int x = 4; x < 288; ++x) {
      const Rgb c = surface.At(x, y);
      ++total;
      if (c.r >= 64 && c.r <= 192 && c.g >= 64 && c.g <= 192 && c.b >= 64 && c.b <= 192) ++grey;
    }
  }
  EXPECT_GE(grey, total * 9 / 10) << grey << " of " << total << " pixels are grey";
}

TEST(PictureRefusal, UndecodableBytesAreRefusedAndPaintNoPicture) {
  std::vector<std::uint8_t> truncated = WritePicture(10, 10, Gradient);
  truncated.pop_back();
  std::vector<std::uint8_t> compressed = WritePicture(10, 10, Gradient);
  compressed[30] = 1;  // BI_RLE8
  const std::pair<const char*, std::vector<std::uint8_t>> cases[] = {
      {"empty", {}},
      {"not a bitmap", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0, 0}},
      {"one byte short", truncated},
      {"compressed", compressed},
  };
  for (const auto& [name, bytes] : cases) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(CanPaintPicture(bytes));
    Surface tiled(16, 16);
    PaintPictureTiled(tiled.dc(), tiled.width(), tiled.height(), bytes);
    std::string first;
    EXPECT_EQ(tiled.CountDifferences([](int, int) { return kSentinel; }, &first), 0) << first;
    Surface fitted(16, 16);
    PaintPictureCentredFit(fitted.dc(), fitted.width(), fitted.height(), bytes, kBackground);
    EXPECT_EQ(fitted.CountDifferences([](int, int) { return kBackgroundRgb; }, &first), 0) << first;
  }
}

}  // namespace
}  // namespace platform
