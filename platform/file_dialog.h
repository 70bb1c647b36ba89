#pragma once
// The common file-dialog unit: settings fixed by the window description, the
// platform's open or save dialog, and the file name remembered between uses.
#include <windows.h>

#include <commdlg.h>

#include <array>
#include <cstddef>
#include <string>
#include <utility>

namespace platform {

enum class FileDialogKind { Open = 0, Save = 1 };

struct FileDialogSettings {
  FileDialogKind kind = FileDialogKind::Save;
  std::wstring title;             // empty: the platform's own title
  std::wstring fileName;          // initial file name of the first dialog
  std::wstring filter;            // "Text|*.txt|All|*.*"; empty: no file-type list
  int filterIndex = 0;            // no effect while the filter is empty
  std::wstring initialDirectory;  // empty: the platform's default folder
  std::wstring defaultExtension;  // empty: no extension is ever added
  bool promptToCreate = false;        // OFN_CREATEPROMPT
  bool fileMustExist = false;         // OFN_FILEMUSTEXIST
  bool promptBeforeOverwrite = false;  // OFN_OVERWRITEPROMPT
  bool pathMustExist = false;         // OFN_PATHMUSTEXIST
  bool keepCurrentDirectory = false;  // OFN_NOCHANGEDIR
};

enum class DialogResult {
  Confirmed,  // the user chose a file name
  Cancelled,  // the user closed the dialog without choosing
  Failed,     // the platform dialog could not do its work (for instance a name too long)
};

// Characters of the file name buffer, terminating zero included.
inline constexpr std::size_t kFileNameCapacity = MAX_PATH;

// The flags the settings give, plus the read-only box always hidden and the
// explorer-style, resizable dialog.
DWORD DialogFlags(const FileDialogSettings& settings);

// The request handed to GetSaveFileNameW or GetOpenFileNameW, with the buffers
// it points into. It points into itself, so it neither copies nor moves.
class DialogRequest {
 public:
  DialogRequest(const FileDialogSettings& settings, HWND owner);
  DialogRequest(const DialogRequest&) = delete;
  DialogRequest& operator=(const DialogRequest&) = delete;

  OPENFILENAMEW& get() { return request_; }
  const OPENFILENAMEW& get() const { return request_; }
  // What the buffer holds: after a confirmed dialog, the chosen full path.
  std::wstring FileName() const;

 private:
  std::array<wchar_t, kFileNameCapacity> fileName_{};
  std::wstring filter_;  // pairs separated by zeros, ending in two zeros
  OPENFILENAMEW request_{};
};

// The dialog unit. It is never visible by itself; Open shows the platform
// dialog modal over the owner window.
class FileDialog {
 public:
  // GetSaveFileNameW or GetOpenFileNameW, or a stand-in with their contract.
  using PlatformDialog = BOOL(WINAPI*)(OPENFILENAMEW*);

  explicit FileDialog(FileDialogSettings settings, PlatformDialog platformDialog = nullptr)
      : settings_(std::move(settings)), platformDialog_(platformDialog) {}

  // On Confirmed the file name becomes the chosen full path; otherwise it is
  // left as it was.
  DialogResult Open(HWND owner);

  // A copy of the current file name: the initial one, then the last confirmed.
  std::wstring fileName() const { return settings_.fileName; }
  const FileDialogSettings& settings() const { return settings_; }

 private:
  FileDialogSettings settings_;
  PlatformDialog platformDialog_;  // null: the one the kind names
};

}  // namespace platform
