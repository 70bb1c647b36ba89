#pragma once
// Screen snapshots through GDI, as 24-bit bottom-up Windows bitmap files.
#include <windows.h>

#include "picture/picture_bytes.h"

namespace picture {

// The whole primary screen from its top-left corner, at the screen's size.
// Empty when any step fails.
PictureBytes SnapshotScreen();

// The window's outer rectangle (title bar and borders included), read from
// its own window DC. Empty when the handle names no window; the whole screen
// when it is 0. A rectangle with no width or height gives a 1x1 picture.
PictureBytes SnapshotWindow(HWND window);

}  // namespace picture
