#include "picture/fit_placement.h"

#include <cstdint>

namespace picture {

Placement FitCentred(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight) {
  if (pictureWidth <= 0 || pictureHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return {};

  std::int64_t width = pictureWidth;
  std::int64_t height = pictureHeight;
  if (width > areaWidth || height > areaHeight) {
    // Compare areaWidth/width with areaHeight/height exactly, in integers, so
    // the side that sets the scale comes out at exactly the area's size.
    if (std::int64_t{areaWidth} * height <= std::int64_t{areaHeight} * width) {
      height = height * areaWidth / width;
      width = areaWidth;
    } else {
      width = width * areaHeight / height;
      height = areaHeight;
    }
  }
  Placement placement;
  placement.width = static_cast<int>(width);
  placement.height = static_cast<int>(height);
  placement.left = (areaWidth - placement.width) / 2;
  placement.top = (areaHeight - placement.height) / 2;
  return placement;
}

}  // namespace picture
