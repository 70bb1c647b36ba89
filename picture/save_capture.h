#pragma once
// The save button's work: ask for a file name, then write the shown picture
// to it, and tell the user when that fails.
#include <windows.h>

#include <functional>

#include "picture/picture_bytes.h"
#include "platform/file_dialog.h"

namespace picture {

inline constexpr const wchar_t* kSaveFailureText = L"写到文件失败，请联系管理员";
inline constexpr const wchar_t* kSaveFailureCaption = L"友情提醒";
inline constexpr unsigned kSaveFailureStyle = 16;  // MB_ICONHAND: error icon, one OK button

// The settings of the main window's dialog unit: the save dialog with no
// title, filter or default extension, so a file gets exactly the name typed;
// the folder must exist and an existing file is replaced only when the user
// agrees.
platform::FileDialogSettings CaptureDialogSettings();

// Opens the dialog modal over the owner. A cancel does nothing more. Once a
// name is confirmed, the picture is read (only then, so it is the one shown at
// that moment) and written; empty picture bytes give a 0-byte file. A failed
// write, or a dialog that failed by itself, shows the failure message.
void SaveCapture(platform::FileDialog& dialog, HWND owner, const std::function<PictureBytes()>& readPicture);

}  // namespace picture
