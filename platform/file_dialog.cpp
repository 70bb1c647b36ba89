#include "platform/file_dialog.h"

#include <algorithm>

namespace platform {

DWORD DialogFlags(const FileDialogSettings& settings) {
  DWORD flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
  if (settings.promptToCreate) flags |= OFN_CREATEPROMPT;
  if (settings.fileMustExist) flags |= OFN_FILEMUSTEXIST;
  if (settings.promptBeforeOverwrite) flags |= OFN_OVERWRITEPROMPT;
  if (settings.pathMustExist) flags |= OFN_PATHMUSTEXIST;
  if (settings.keepCurrentDirectory) flags |= OFN_NOCHANGEDIR;
  return flags;
}

namespace {

// "Text|*.txt|All|*.*" becomes "Text\0*.txt\0All\0*.*\0\0".
std::wstring PlatformFilter(const std::wstring& filter) {
  std::wstring result = filter;
  std::replace(result.begin(), result.end(), L'|', L'\0');
  if (result.empty() || result.back() != L'\0') result.push_back(L'\0');
  result.push_back(L'\0');
  return result;
}

const wchar_t* TextOrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

DialogRequest::DialogRequest(const FileDialogSettings& settings, HWND owner) {
  // A name that does not fit is cut, as the platform's fixed buffer would.
  const std::size_t kept = std::min(settings.fileName.size(), fileName_.size() - 1);
  std::copy_n(settings.fileName.begin(), kept, fileName_.begin());
  if (!settings.filter.empty()) filter_ = PlatformFilter(settings.filter);

  request_.lStructSize = sizeof(request_);
  request_.hwndOwner = owner;
  request_.lpstrFilter = filter_.empty() ? nullptr : filter_.c_str();
  request_.nFilterIndex = filter_.empty() ? 0 : static_cast<DWORD>(std::max(settings.filterIndex, 0));
  request_.lpstrFile = fileName_.data();
  request_.nMaxFile = static_cast<DWORD>(fileName_.size());
  request_.lpstrInitialDir = TextOrNull(settings.initialDirectory);
  request_.lpstrTitle = TextOrNull(settings.title);
  request_.lpstrDefExt = TextOrNull(settings.defaultExtension);
  request_.Flags = DialogFlags(settings);
}

std::wstring DialogRequest::FileName() const {
  const auto end = std::find(fileName_.begin(), fileName_.end(), L'\0');
  return std::wstring(fileName_.begin(), end);
}

DialogResult FileDialog::Open(HWND owner) {
  DialogRequest request(settings_, owner);
  PlatformDialog show = platformDialog_;
  if (!show) show = settings_.kind == FileDialogKind::Save ? GetSaveFileNameW : GetOpenFileNameW;
  const BOOL confirmed = show(&request.get());
  if (confirmed) {
    settings_.fileName = request.FileName();
    return DialogResult::Confirmed;
  }
  // The user's own cancel leaves no extended error; anything else is a failure
  // the user must hear about.
  return CommDlgExtendedError() == 0 ? DialogResult::Cancelled : DialogResult::Failed;
}

}  // namespace platform
