#pragma once
// The visual-style service: paints the standard controls of the calling
// (user-interface) thread flat, with one-pixel frames and gradient faces.

namespace platform {

// Style 1, 2 or 3 selects a palette (the program uses 2) and restyles every push
// button, check box, radio button, group box, edit box, drop-down combo with its
// list, and up-down control of the calling thread: those that exist now and
// those created later, message boxes and common dialogs included. Any other
// number gives all of them back their system painting. Each call first removes
// the restyling of an earlier one. Returns non-zero on success.
int ApplyVisualStyle(int style);

}  // namespace platform
