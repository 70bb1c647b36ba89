#include "picture/save_capture.h"

#include <string>

#include "picture/file_writer.h"
#include "platform/message_box.h"

namespace picture {

namespace {

bool WriteChosenFile(const platform::FileDialog& dialog, const std::function<PictureBytes()>& readPicture) {
  // Both copies live only for this hand-over.
  const std::wstring fileName = dialog.fileName();
  const PictureBytes picture = readPicture ? readPicture() : PictureBytes{};
  return WriteToFile(fileName, {picture});
}

}  // namespace

platform::FileDialogSettings CaptureDialogSettings() {
  platform::FileDialogSettings settings;
  settings.kind = platform::FileDialogKind::Save;
  settings.fileMustExist = true;  // applies to open dialogs only: new names are still accepted
  settings.promptBeforeOverwrite = true;
  settings.pathMustExist = true;
  return settings;
}

void SaveCapture(platform::FileDialog& dialog, HWND owner, const std::function<PictureBytes()>& readPicture) {
  switch (dialog.Open(owner)) {
    case platform::DialogResult::Cancelled:
      return;
    case platform::DialogResult::Failed:
      break;
    case platform::DialogResult::Confirmed:
      if (WriteChosenFile(dialog, readPicture)) return;
      break;
  }
  platform::ShowMessageBox(kSaveFailureText, kSaveFailureStyle, kSaveFailureCaption);
}

}  // namespace picture
