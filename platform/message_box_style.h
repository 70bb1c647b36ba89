#pragma once
// The style rule of the program's message boxes, kept free of Windows headers
// so it is checked natively.

namespace platform {

inline constexpr unsigned kSystemModalStyle = 0x1000;  // MB_SYSTEMMODAL
inline constexpr unsigned kTaskModalStyle = 0x2000;    // MB_TASKMODAL

// Every box is task-modal unless it asks to be system-modal: the style gains
// MB_TASKMODAL whenever MB_SYSTEMMODAL is absent. The bit is set, never added
// twice, so a style that already holds MB_TASKMODAL is left as it is.
unsigned MessageBoxStyle(unsigned style);

}  // namespace platform
