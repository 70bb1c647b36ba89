#pragma once
// The Windows bitmap file layout: sizes and headers of the 24-bit pictures the
// snapshot makes, and a bounds-checked reading of any uncompressed bitmap file
// so a painter can hand its parts straight to the GDI drawing calls.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace picture {

inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr std::size_t kInfoHeaderSize = 40;
// Our own pictures carry no colour table, so their pixels always start here.
inline constexpr std::size_t kPicturePixelsOffset = kFileHeaderSize + kInfoHeaderSize;
inline constexpr std::uint16_t kPictureBitCount = 24;

// Bytes of one pixel row: the bits of `width` pixels padded up to whole
// 32-bit words. 0 for a width that is not positive.
std::uint64_t RowSize(std::int64_t width, std::uint32_t bitCount = kPictureBitCount);

// Bytes of the pixel array of a 24-bit picture: row size times height.
std::uint64_t ImageSize(std::int64_t width, std::int64_t height);

// The 54 leading bytes of a 24-bit bottom-up picture: file header and
// information header, with `imageSize` bytes of pixels to follow.
using PictureHeader = std::array<std::uint8_t, kPicturePixelsOffset>;
PictureHeader BuildPictureHeader(std::int32_t width, std::int32_t height, std::uint32_t imageSize);

// The same, with the image size computed from width and height.
PictureHeader BuildPictureHeader(std::int32_t width, std::int32_t height);

// The parts of a bitmap file that a painter needs. Every offset and length has
// been checked against the bytes it was read from; the pointers point into
// those bytes and live as long as they do.
struct BitmapView {
  std::int32_t width = 0;
  std::int32_t height = 0;  // as stored: negative when rows run top-down
  std::uint16_t bitCount = 0;
  std::size_t colourTableOffset = 0;  // from the start of the file
  std::size_t colourCount = 0;
  std::size_t pixelsOffset = 0;  // from the start of the file
  std::size_t pixelBytes = 0;    // row size times the number of rows
  const std::uint8_t* info = nullptr;    // the information header, colour table right after it
  const std::uint8_t* pixels = nullptr;  // the first stored row

  std::int32_t rows() const { return height < 0 ? -height : height; }
  bool topDown() const { return height < 0; }
};

// Reads an uncompressed (BI_RGB) bitmap file with an information header of at
// least 40 bytes and 1, 4, 8, 16, 24 or 32 bits per pixel. Anything truncated
// or inconsistent gives nothing; no byte outside `bytes` is ever read.
std::optional<BitmapView> ReadBitmap(std::span<const std::uint8_t> bytes);

}  // namespace picture
