#include "picture/fit_placement.h"

#include <gtest/gtest.h>

#include <ostream>

namespace picture {

void PrintTo(const Placement& p, std::ostream* out) {
  *out << "(" << p.left << ", " << p.top << ") " << p.width << "x" << p.height;
}

namespace {

struct FitCase {
  const char* what;
  int pictureWidth, pictureHeight, areaWidth, areaHeight;
  Placement expected;
};

TEST(FitCentred, ShrinksLargePicturesAndCentresEverything) {
  const FitCase cases[] = {
      {"twice as wide as the canvas", 584, 300, 292, 258, {0, 54, 292, 150}},
      {"fits: natural size, centred", 100, 50, 292, 258, {96, 104, 100, 50}},
      {"taller than wide", 300, 600, 292, 258, {81, 0, 129, 258}},
      {"only the height is too large", 200, 300, 292, 258, {60, 0, 172, 258}},
      {"only the width is too large", 400, 100, 292, 258, {0, 92, 292, 73}},
      {"exact fit", 292, 258, 292, 258, {0, 0, 292, 258}},
      {"one pixel", 1, 1, 292, 258, {145, 128, 1, 1}},
      {"odd margin rounds toward zero", 291, 10, 292, 258, {0, 124, 291, 10}},
      {"full-HD screen", 1920, 1080, 292, 258, {0, 47, 292, 164}},
      {"truncated side", 1000, 999, 292, 258, {17, 0, 258, 258}},
      {"huge square", 32627, 32627, 292, 258, {17, 0, 258, 258}},
      {"huge thin strip shrinks to nothing tall", 32627, 1, 292, 258, {0, 129, 292, 0}},
      {"equal ratios", 584, 516, 292, 258, {0, 0, 292, 258}},
      {"never enlarged on a big area", 10, 20, 1920, 1080, {955, 530, 10, 20}},
      {"empty picture", 0, 5, 292, 258, {0, 0, 0, 0}},
      {"empty area", 5, 5, 0, 258, {0, 0, 0, 0}},
  };
  for (const FitCase& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FitCentred(c.pictureWidth, c.pictureHeight, c.areaWidth, c.areaHeight), c.expected);
  }
}

}  // namespace
}  // namespace picture
