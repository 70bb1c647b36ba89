#pragma once
// F2 from anywhere: the global start hotkey, reported to the main window's
// hidden hotkey sink label.

namespace main_window {

// Registers F2 without modifier keys, stores the identifier in 热键标识 and,
// when the system refuses it, tells the user and carries on without it.
void RegisterStartHotkey();

}  // namespace main_window
