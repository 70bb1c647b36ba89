#pragma once
// Paints picture bytes straight from the bytes a canvas holds: the GDI calls
// read the rows in place, so no decoded copy is ever kept.
#include <windows.h>

#include <cstdint>
#include <span>

namespace platform {

// Whether the bytes are a bitmap file these painters can draw. A canvas drops
// bytes for which this is false.
bool CanPaintPicture(std::span<const std::uint8_t> bytes);

// Copies of the picture at natural size, edge to edge from the top-left corner
// of the width x height area. Undecodable bytes paint nothing.
void PaintPictureTiled(HDC dc, int width, int height, std::span<const std::uint8_t> bytes);

// The picture centred and shrunk to fit (never enlarged), smoothly scaled,
// with the background colour wherever it does not cover the area.
// Undecodable bytes leave the whole area in the background colour.
void PaintPictureCentredFit(HDC dc, int width, int height, std::span<const std::uint8_t> bytes,
                            COLORREF background);

}  // namespace platform
