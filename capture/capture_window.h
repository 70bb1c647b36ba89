#pragma once
// The capture window: borderless, always on top, as large as the primary
// screen, showing the screen as it was at start-up as a frozen backdrop.
#include "platform/toolkit.h"

namespace capture_window {

enum Unit : int {
  窗口截图选区 = 0,
  标签1,         // capture frame, never visible
  画板截图背景,   // backdrop and drawing surface
};

platform::Window& Get();

// Makes the capture window visible over the whole screen. Once the user has
// closed the window this only records the wish and shows nothing.
void StartCapture();

}  // namespace capture_window
