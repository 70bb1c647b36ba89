#pragma once
// Choosing the area on the frozen backdrop: press fixes the start point with a
// cross-hair pointer, release fixes the end point and draws the red outline.
// The first release fixes the selection for the rest of the run.

namespace capture {

void OnBackdropPressed(int x, int y, int keys);
void OnBackdropReleased(int x, int y, int keys);

}  // namespace capture
