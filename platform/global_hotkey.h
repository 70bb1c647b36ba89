#pragma once
// The global hotkey service: a key registered for the whole desktop whose every
// press is reported as the feedback event of a chosen unit.
#include <windows.h>

namespace platform {

// Registers the key (modifier code: 1 Ctrl, 2 Shift, 4 Alt) for the owner
// window. Returns the hotkey's identifier, or 0 when the system refused it.
// Each press raises the target unit's feedback event with (identifier, 0).
// Nothing unregisters it: it lasts as long as the owner window.
int RegisterGlobalHotkey(HWND owner, HWND target, int modifierCode, int keyCode);

// Called by the owner window while it dispatches WM_HOTKEY.
void DispatchHotkey(int identifier);

}  // namespace platform
