#include "picture/bmp_layout.h"

#include <cstdint>
#include <limits>

namespace picture {
namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint16_t kBitmapMagic = 0x4D42;  // "BM"
constexpr std::size_t kMaxColourTable = 256;

void PutU16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutU32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint16_t GetU16(const std::uint8_t* at) {
  return static_cast<std::uint16_t>(at[0] | (at[1] << 8));
}

std::uint32_t GetU32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
         (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

bool IsPaintableBitCount(std::uint16_t bitCount) {
  switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::uint64_t RowSize(std::int64_t width, std::uint32_t bitCount) {
  if (width <= 0) return 0;
  return (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4;
}

std::uint64_t ImageSize(std::int64_t width, std::int64_t height) {
  if (height <= 0) return 0;
  return RowSize(width) * static_cast<std::uint64_t>(height);
}

PictureHeader BuildPictureHeader(std::int32_t width, std::int32_t height, std::uint32_t imageSize) {
  PictureHeader header{};
  std::uint8_t* file = header.data();
  PutU16(file + 0, kBitmapMagic);
  PutU32(file + 2, static_cast<std::uint32_t>(kPicturePixelsOffset + imageSize));
  // bfReserved1 and bfReserved2 stay 0.
  PutU32(file + 10, static_cast<std::uint32_t>(kPicturePixelsOffset));

  std::uint8_t* info = file + kFileHeaderSize;
  PutU32(info + 0, static_cast<std::uint32_t>(kInfoHeaderSize));
  PutU32(info + 4, static_cast<std::uint32_t>(width));
  PutU32(info + 8, static_cast<std::uint32_t>(height));
  PutU16(info + 12, 1);
  PutU16(info + 14, kPictureBitCount);
  PutU32(info + 16, kBiRgb);
  PutU32(info + 20, imageSize);
  // Resolution and colour counts stay 0.
  return header;
}

PictureHeader BuildPictureHeader(std::int32_t width, std::int32_t height) {
  return BuildPictureHeader(width, height, static_cast<std::uint32_t>(ImageSize(width, height)));
}

std::optional<BitmapView> ReadBitmap(std::span<const std::uint8_t> bytes) {
  const std::uint8_t* data = bytes.data();
  const std::uint64_t size = bytes.size();
  if (size < kFileHeaderSize + kInfoHeaderSize) return std::nullopt;
  if (GetU16(data) != kBitmapMagic) return std::nullopt;
  // bfSize and biSizeImage are left alone: many writers get them wrong and the
  // drawing calls never read them for uncompressed rows.
  const std::uint64_t pixelsOffset = GetU32(data + 10);

  const std::uint8_t* info = data + kFileHeaderSize;
  const std::uint64_t infoSize = GetU32(info + 0);
  if (infoSize < kInfoHeaderSize || kFileHeaderSize + infoSize > size) return std::nullopt;

  const auto width = static_cast<std::int32_t>(GetU32(info + 4));
  const auto height = static_cast<std::int32_t>(GetU32(info + 8));
  const std::uint16_t planes = GetU16(info + 12);
  const std::uint16_t bitCount = GetU16(info + 14);
  const std::uint32_t compression = GetU32(info + 16);
  const std::uint64_t coloursUsed = GetU32(info + 32);
  if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min())
    return std::nullopt;
  if (planes != 1 || compression != kBiRgb || !IsPaintableBitCount(bitCount)) return std::nullopt;

  // A table is required up to 8 bits per pixel; above that it is optional
  // and only there when biClrUsed says so.
  const std::uint64_t fullTable = bitCount <= 8 ? (std::uint64_t{1} << bitCount) : 0;
  const std::uint64_t colourCount = coloursUsed != 0 ? coloursUsed : fullTable;
  if (bitCount <= 8 ? colourCount > fullTable : colourCount > kMaxColourTable) return std::nullopt;

  const std::uint64_t colourTableOffset = kFileHeaderSize + infoSize;
  const std::uint64_t colourTableEnd = colourTableOffset + 4 * colourCount;
  if (pixelsOffset < colourTableEnd || pixelsOffset > size) return std::nullopt;

  const std::uint64_t rowSize = RowSize(width, bitCount);
  const std::uint64_t rows = height < 0 ? -static_cast<std::int64_t>(height) : height;
  const std::uint64_t available = size - pixelsOffset;
  // Divide rather than multiply, so a huge height cannot wrap the product.
  if (rowSize > available || rows > available / rowSize) return std::nullopt;

  BitmapView view;
  view.width = width;
  view.height = height;
  view.bitCount = bitCount;
  view.colourTableOffset = static_cast<std::size_t>(colourTableOffset);
  view.colourCount = static_cast<std::size_t>(colourCount);
  view.pixelsOffset = static_cast<std::size_t>(pixelsOffset);
  view.pixelBytes = static_cast<std::size_t>(rowSize * rows);
  view.info = info;
  view.pixels = data + pixelsOffset;
  return view;
}

}  // namespace picture
