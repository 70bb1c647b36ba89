#pragma once
// Where a picture goes in an area when it is shown centred and shrunk to fit.

namespace picture {

struct Placement {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;

  bool operator==(const Placement&) const = default;
};

// A picture that fits keeps its natural size; a larger one is scaled down by
// the smaller of the two ratios area/picture, each side truncated to whole
// pixels. Never enlarged. Centred, with the halves rounded toward zero.
// Sizes that are not positive give an empty placement.
Placement FitCentred(int pictureWidth, int pictureHeight, int areaWidth, int areaHeight);

}  // namespace picture
