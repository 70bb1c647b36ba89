#pragma once
// Capturing the selected area: the capture window's hidden frame label is laid
// over it, what the capture window shows there becomes the picture of the main
// window's result canvas, and the capture window hides.

namespace capture {

void OnBackdropDoubleClicked(int x, int y, int keys);

}  // namespace capture
