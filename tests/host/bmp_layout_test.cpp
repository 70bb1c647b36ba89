#include "picture/bmp_layout.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace picture {
namespace {

std::uint32_t U32At(const std::uint8_t* bytes, std::size_t offset) {
  return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
         (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

std::uint16_t U16At(const std::uint8_t* bytes, std::size_t offset) {
  return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

struct SizeCase {
  int width;
  int height;
  std::uint64_t rowSize;
  std::uint64_t imageSize;
  std::uint32_t fileSize;
};

TEST(PictureSizes, RowsArePaddedToWholeWordsAndTheFileIsHeaderPlusRows) {
  const SizeCase cases[] = {
      {1920, 1080, 5760, 5760 * 1080, 54 + 5760 * 1080},
      {1366, 768, 4100, 4100 * 768, 54 + 4100 * 768},  // 4098 bytes of pixels + 2 of padding
      {80, 24, 240, 5760, 5814},
      {5, 3, 16, 48, 102},
      {1, 1, 4, 4, 58},
      {2, 1, 8, 8, 62},
      {3, 2, 12, 24, 78},
      {4, 1, 12, 12, 66},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    EXPECT_EQ(RowSize(c.width), c.rowSize);
    EXPECT_EQ(ImageSize(c.width, c.height), c.imageSize);
    const PictureHeader header = BuildPictureHeader(c.width, c.height);
    EXPECT_EQ(U32At(header.data(), 2), c.fileSize);
    EXPECT_EQ(U32At(header.data(), 34), c.imageSize);
  }
}

TEST(PictureSizes, RowSizeFollowsTheBitCount) {
  EXPECT_EQ(RowSize(1, 1), 4u);
  EXPECT_EQ(RowSize(33, 1), 8u);
  EXPECT_EQ(RowSize(9, 4), 8u);
  EXPECT_EQ(RowSize(5, 8), 8u);
  EXPECT_EQ(RowSize(3, 16), 8u);
  EXPECT_EQ(RowSize(3, 32), 12u);
  EXPECT_EQ(RowSize(0), 0u);
  EXPECT_EQ(RowSize(-4), 0u);
}

TEST(PictureHeaderFields, FullHdScreenHeaderHoldsEveryFieldInOrder) {
  const PictureHeader header = BuildPictureHeader(1920, 1080);
  const std::uint8_t* h = header.data();
  EXPECT_EQ(h[0], 'B');
  EXPECT_EQ(h[1], 'M');
  EXPECT_EQ(U32At(h, 2), 54u + 5760u * 1080u);  // bfSize
  EXPECT_EQ(U16At(h, 6), 0u);                    // bfReserved1
  EXPECT_EQ(U16At(h, 8), 0u);                    // bfReserved2
  EXPECT_EQ(U32At(h, 10), 54u);                  // bfOffBits
  EXPECT_EQ(U32At(h, 14), 40u);                  // biSize
  EXPECT_EQ(U32At(h, 18), 1920u);                // biWidth
  EXPECT_EQ(U32At(h, 22), 1080u);                // biHeight
  EXPECT_EQ(U16At(h, 26), 1u);                   // biPlanes
  EXPECT_EQ(U16At(h, 28), 24u);                  // biBitCount
  EXPECT_EQ(U32At(h, 30), 0u);                   // biCompression
  EXPECT_EQ(U32At(h, 34), 5760u * 1080u);        // biSizeImage
  EXPECT_EQ(U32At(h, 38), 0u);                   // biXPelsPerMeter
  EXPECT_EQ(U32At(h, 42), 0u);                   // biYPelsPerMeter
  EXPECT_EQ(U32At(h, 46), 0u);                   // biClrUsed
  EXPECT_EQ(U32At(h, 50), 0u);                   // biClrImportant
}

TEST(PictureHeaderFields, SmallPictureHeaderIsExactlyTheseBytes) {
  const PictureHeader expected = {
      'B', 'M', 102, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,     // file header
      40, 0, 0, 0, 5, 0, 0, 0, 3, 0, 0, 0, 1, 0, 24, 0,   // size, width, height, planes, bits
      0, 0, 0, 0, 48, 0, 0, 0,                            // compression, image size
      0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,     // resolution and colour counts
  };
  EXPECT_EQ(BuildPictureHeader(5, 3), expected);
}

TEST(PictureHeaderFields, AnImageSizeGivenByTheCallerIsWrittenAsIs) {
  // The snapshot takes the image size the platform reports.
  const PictureHeader header = BuildPictureHeader(2, 2, 100);
  EXPECT_EQ(U32At(header.data(), 2), 154u);
  EXPECT_EQ(U32At(header.data(), 34), 100u);
}

// Writes a bitmap file from its fields; each reading case changes one thing.
struct BitmapFields {
  std::uint32_t infoSize = 40;
  std::int32_t width = 3;
  std::int32_t height = 2;
  std::uint16_t planes = 1;
  std::uint16_t bitCount = 8;
  std::uint32_t compression = 0;
  std::uint32_t coloursUsed = 0;
  std::uint32_t tableEntries = 256;  // colour table entries actually written
  std::int64_t pixelsOffsetShift = 0;  // added to the true pixel offset
  std::int64_t pixelBytesShift = 0;    // added to the true pixel byte count
  std::uint32_t infoSizeShift = 0;     // added to the stored header size only

  std::uint64_t rowSize() const { return RowSize(width, bitCount); }
  std::size_t pixelsOffset() const { return 14 + infoSize + 4 * tableEntries; }

  std::vector<std::uint8_t> Write() const {
    const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
    const std::size_t pixelBytes = static_cast<std::size_t>(rowSize() * rows + pixelBytesShift);
    std::vector<std::uint8_t> file(pixelsOffset() + pixelBytes);
    auto put = [&](std::size_t at, std::uint32_t value, int count) {
      for (int i = 0; i < count; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put(2, static_cast<std::uint32_t>(file.size()), 4);
    put(10, static_cast<std::uint32_t>(pixelsOffset() + pixelsOffsetShift), 4);
    put(14, infoSize + infoSizeShift, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, planes, 2);
    put(28, bitCount, 2);
    put(30, compression, 4);
    put(46, coloursUsed, 4);
    for (std::size_t i = pixelsOffset(); i < file.size(); ++i) file[i] = static_cast<std::uint8_t>(i);
    return file;
  }
};

struct ReadCase {
  const char* name;
  std::function<void(BitmapFields&)> change;
  std::size_t colourCount;
};

TEST(ReadBitmap, AcceptsEveryUncompressedFormatTheDrawingCallsTake) {
  const ReadCase cases[] = {
      {"8 bits, full table", [](BitmapFields&) {}, 256},
      {"8 bits, short table", [](BitmapFields& f) { f.coloursUsed = f.tableEntries = 2; }, 2},
      {"1 bit", [](BitmapFields& f) { f.bitCount = 1; f.tableEntries = 2; f.width = 33; }, 2},
      {"4 bits", [](BitmapFields& f) { f.bitCount = 4; f.tableEntries = 16; }, 16},
      {"16 bits", [](BitmapFields& f) { f.bitCount = 16; f.tableEntries = 0; }, 0},
      {"24 bits", [](BitmapFields& f) { f.bitCount = 24; f.tableEntries = 0; }, 0},
      {"24 bits with a table", [](BitmapFields& f) { f.bitCount = 24; f.coloursUsed = f.tableEntries = 3; }, 3},
      {"32 bits", [](BitmapFields& f) { f.bitCount = 32; f.tableEntries = 0; }, 0},
      {"top-down rows", [](BitmapFields& f) { f.height = -2; }, 256},
      {"108-byte header", [](BitmapFields& f) { f.infoSize = 108; }, 256},
      {"gap before the pixels", [](BitmapFields& f) { f.pixelsOffsetShift = 6; f.pixelBytesShift = 6; }, 256},
      {"extra bytes after the pixels", [](BitmapFields& f) { f.pixelBytesShift = 9; }, 256},
  };
  for (const ReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    BitmapFields fields;
    c.change(fields);
    const std::vector<std::uint8_t> file = fields.Write();
    const auto view = ReadBitmap(file);
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->width, fields.width);
    EXPECT_EQ(view->height, fields.height);
    EXPECT_EQ(view->bitCount, fields.bitCount);
    EXPECT_EQ(view->colourCount, c.colourCount);
    EXPECT_EQ(view->colourTableOffset, 14 + fields.infoSize);
    EXPECT_EQ(view->pixelsOffset, fields.pixelsOffset() + fields.pixelsOffsetShift);
    EXPECT_EQ(view->pixelBytes, fields.rowSize() * view->rows());
    EXPECT_EQ(view->info, file.data() + 14);
    EXPECT_EQ(view->pixels, file.data() + view->pixelsOffset);
  }
}

TEST(ReadBitmap, ReadsOurOwnPictures) {
  const PictureHeader header = BuildPictureHeader(5, 3);
  std::vector<std::uint8_t> file(header.begin(), header.end());
  file.resize(102, 0x5A);
  const auto view = ReadBitmap(file);
  ASSERT_TRUE(view.has_value());
  EXPECT_EQ(view->width, 5);
  EXPECT_EQ(view->height, 3);
  EXPECT_FALSE(view->topDown());
  EXPECT_EQ(view->bitCount, 24);
  EXPECT_EQ(view->colourCount, 0u);
  EXPECT_EQ(view->pixelsOffset, 54u);
  EXPECT_EQ(view->pixelBytes, 48u);
}

TEST(ReadBitmap, RefusesTruncatedOrInconsistentFiles) {
  const std::pair<const char*, std::function<void(BitmapFields&)>> cases[] = {
      {"12-byte core header", [](BitmapFields& f) { f.infoSize = 12; }},
      {"header longer than the file", [](BitmapFields& f) { f.infoSizeShift = 100000; }},
      {"zero width", [](BitmapFields& f) { f.width = 0; }},
      {"negative width", [](BitmapFields& f) { f.width = -3; }},
      {"zero height", [](BitmapFields& f) { f.height = 0; }},
      {"two planes", [](BitmapFields& f) { f.planes = 2; }},
      {"run-length compressed", [](BitmapFields& f) { f.compression = 1; }},
      {"bit fields", [](BitmapFields& f) { f.compression = 3; f.bitCount = 16; f.tableEntries = 3; }},
      {"2 bits per pixel", [](BitmapFields& f) { f.bitCount = 2; f.tableEntries = 4; }},
      {"0 bits per pixel", [](BitmapFields& f) { f.bitCount = 0; }},
      {"48 bits per pixel", [](BitmapFields& f) { f.bitCount = 48; f.tableEntries = 0; }},
      {"more colours than 8 bits can index", [](BitmapFields& f) { f.coloursUsed = f.tableEntries = 257; }},
      {"more colours than 4 bits can index", [](BitmapFields& f) { f.bitCount = 4; f.coloursUsed = f.tableEntries = 17; }},
      {"oversized optional table", [](BitmapFields& f) { f.bitCount = 24; f.coloursUsed = f.tableEntries = 300; }},
      {"pixels overlap the colour table", [](BitmapFields& f) { f.pixelsOffsetShift = -4; }},
      {"pixels start past the end", [](BitmapFields& f) { f.pixelsOffsetShift = 1000; }},
      {"one pixel byte missing", [](BitmapFields& f) { f.pixelBytesShift = -1; }},
      {"table cut short", [](BitmapFields& f) { f.tableEntries = 200; }},
  };
  for (const auto& [name, change] : cases) {
    SCOPED_TRACE(name);
    BitmapFields fields;
    change(fields);
    EXPECT_FALSE(ReadBitmap(fields.Write()).has_value());
  }
}

TEST(ReadBitmap, RefusesHugeSizesWithoutWrappingTheirProduct) {
  // A 4-byte file body cannot hold rows this large; the checks must not
  // overflow into accepting it.
  for (const auto& [width, height, bits] : {std::tuple{0x7FFFFFFF, 0x7FFFFFFF, 32},
                                            std::tuple{1, 0x7FFFFFFF, 24},
                                            std::tuple{0x7FFFFFFF, 1, 1},
                                            std::tuple{1, -0x7FFFFFFF, 32},
                                            std::tuple{1, INT32_MIN, 24}}) {
    SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
    BitmapFields fields;
    fields.bitCount = static_cast<std::uint16_t>(bits);
    fields.tableEntries = bits == 1 ? 2 : 0;
    fields.width = 1;
    fields.height = 1;
    std::vector<std::uint8_t> file = fields.Write();
    for (int i = 0; i < 4; ++i) {
      file[18 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(width) >> (8 * i));
      file[22 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(height) >> (8 * i));
    }
    EXPECT_FALSE(ReadBitmap(file).has_value());
  }
}

TEST(ReadBitmap, RefusesEveryShortenedFileAndTheWrongMagic) {
  BitmapFields fields;
  fields.bitCount = 4;
  fields.tableEntries = 16;
  const std::vector<std::uint8_t> file = fields.Write();
  ASSERT_TRUE(ReadBitmap(file).has_value());
  for (std::size_t length = 0; length < file.size(); ++length) {
    SCOPED_TRACE(length);
    EXPECT_FALSE(ReadBitmap(std::span(file.data(), length)).has_value());
  }
  for (const char* magic : {"BA", "MB", "bm", "\0\0"}) {
    std::vector<std::uint8_t> wrong = file;
    wrong[0] = static_cast<std::uint8_t>(magic[0]);
    wrong[1] = static_cast<std::uint8_t>(magic[1]);
    EXPECT_FALSE(ReadBitmap(wrong).has_value()) << magic;
  }
}

TEST(ReadBitmap, NoHeaderCorruptionMakesTheViewReachOutsideTheBytes) {
  BitmapFields fields;
  fields.bitCount = 8;
  fields.coloursUsed = fields.tableEntries = 4;
  const std::vector<std::uint8_t> good = fields.Write();
  const std::uint8_t values[] = {0x00, 0x01, 0x02, 0x7F, 0x80, 0xFE, 0xFF};
  for (std::size_t at = 0; at < 54; ++at) {
    for (std::uint8_t value : values) {
      std::vector<std::uint8_t> file = good;
      file[at] = value;
      const auto view = ReadBitmap(file);
      if (!view) continue;
      SCOPED_TRACE("byte " + std::to_string(at) + " = " + std::to_string(value));
      const std::uint8_t* end = file.data() + file.size();
      EXPECT_LE(view->colourTableOffset + 4 * view->colourCount, view->pixelsOffset);
      EXPECT_LE(view->pixels + view->pixelBytes, end);
      EXPECT_EQ(view->pixelBytes, RowSize(view->width, view->bitCount) * view->rows());
    }
  }
}

}  // namespace
}  // namespace picture
