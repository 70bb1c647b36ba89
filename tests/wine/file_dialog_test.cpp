#include "platform/file_dialog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "dialog_driver.h"
#include "picture/save_capture.h"
#include "platform/handles.h"

namespace {

using platform::DialogRequest;
using platform::DialogResult;
using platform::FileDialog;
using platform::FileDialogSettings;

constexpr DWORD kExplorerResizable = OFN_EXPLORER | OFN_ENABLESIZING;

TEST(DialogRequest, TheCaptureDialogAsksForExactlyTheTypedName) {
  const HWND owner = reinterpret_cast<HWND>(0x1234);
  DialogRequest request(picture::CaptureDialogSettings(), owner);
  const OPENFILENAMEW& r = request.get();
  EXPECT_EQ(r.lStructSize, sizeof(OPENFILENAMEW));
  EXPECT_EQ(r.Flags, 0x1806u | kExplorerResizable);
  EXPECT_EQ(r.hwndOwner, owner);  // modal over the main window
  EXPECT_EQ(r.lpstrFilter, nullptr);
  EXPECT_EQ(r.nFilterIndex, 0u);
  EXPECT_EQ(r.lpstrDefExt, nullptr);  // nothing is ever appended to the name
  EXPECT_EQ(r.lpstrTitle, nullptr);
  EXPECT_EQ(r.lpstrInitialDir, nullptr);
  EXPECT_EQ(r.nMaxFile, 260u);
  ASSERT_NE(r.lpstrFile, nullptr);
  EXPECT_EQ(r.lpstrFile[0], L'\0');
  EXPECT_EQ(picture::CaptureDialogSettings().kind, platform::FileDialogKind::Save);
}

TEST(DialogRequest, FlagsFollowTheSettings) {
  struct Case {
    const char* what;
    void (*change)(FileDialogSettings&);
    DWORD flags;
  };
  const Case cases[] = {
      {"nothing set", [](FileDialogSettings&) {}, OFN_HIDEREADONLY},
      {"prompt to create", [](FileDialogSettings& s) { s.promptToCreate = true; }, OFN_HIDEREADONLY | OFN_CREATEPROMPT},
      {"file must exist", [](FileDialogSettings& s) { s.fileMustExist = true; }, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST},
      {"overwrite prompt", [](FileDialogSettings& s) { s.promptBeforeOverwrite = true; },
       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT},
      {"path must exist", [](FileDialogSettings& s) { s.pathMustExist = true; }, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST},
      {"keep directory", [](FileDialogSettings& s) { s.keepCurrentDirectory = true; },
       OFN_HIDEREADONLY | OFN_NOCHANGEDIR},
  };
  for (const Case& c : cases) {
    FileDialogSettings settings;
    c.change(settings);
    EXPECT_EQ(DialogRequest(settings, nullptr).get().Flags, c.flags | kExplorerResizable) << c.what;
  }
}

TEST(DialogRequest, TextsReachThePlatformForm) {
  FileDialogSettings settings;
  settings.title = L"保存";
  settings.fileName = L"C:\\图片\\一.bmp";
  settings.filter = L"位图|*.bmp|All|*.*";
  settings.filterIndex = 2;
  settings.initialDirectory = L"C:\\图片";
  settings.defaultExtension = L"bmp";
  DialogRequest request(settings, nullptr);
  const OPENFILENAMEW& r = request.get();
  EXPECT_STREQ(r.lpstrFile, L"C:\\图片\\一.bmp");
  EXPECT_EQ(request.FileName(), L"C:\\图片\\一.bmp");
  const std::wstring platformFilter(L"位图\0*.bmp\0All\0*.*\0\0", 18);
  EXPECT_EQ(std::wstring(r.lpstrFilter, platformFilter.size()), platformFilter);
  EXPECT_EQ(r.nFilterIndex, 2u);
  EXPECT_STREQ(r.lpstrTitle, L"保存");
  EXPECT_STREQ(r.lpstrInitialDir, L"C:\\图片");
  EXPECT_STREQ(r.lpstrDefExt, L"bmp");

  // A name longer than the buffer is cut to it, terminating zero included.
  settings.fileName = std::wstring(400, L'x');
  DialogRequest cut(settings, nullptr);
  EXPECT_EQ(cut.FileName(), std::wstring(259, L'x'));
}

// The real platform dialog, played by a second thread.
class FileDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    folder_ = std::wstring(temp) + L"tessarin-dialog-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
  }
  void TearDown() override {
    DeleteFileW((folder_ + L"\\existing.bmp").c_str());
    RemoveDirectoryW(folder_.c_str());
  }
  std::wstring folder_;
};

TEST_F(FileDialogTest, ConfirmedNameIsRememberedAndCancelKeepsIt) {
  FileDialog dialog(picture::CaptureDialogSettings());
  // A new name, though the settings ask for an existing file: the save dialog
  // applies that to open dialogs only.
  const std::wstring first = folder_ + L"\\新截图";
  test_support::SeenFileDialog seenFirst, seenSecond, seenThird;
  {
    test_support::DialogDriver driver({test_support::TypeNameAndConfirm(first, &seenFirst)});
    EXPECT_EQ(dialog.Open(nullptr), DialogResult::Confirmed);
    driver.Finish();
    EXPECT_TRUE(driver.Problems().empty()) << ::testing::PrintToString(driver.Problems());
  }
  EXPECT_EQ(seenFirst.name, L"");
  EXPECT_EQ(dialog.fileName(), first);  // the full path, no extension added

  // The next dialogs start from the first path: its folder, showing its name.
  for (test_support::SeenFileDialog* seen : {&seenSecond, &seenThird}) {
    test_support::DialogDriver driver({test_support::CancelFileDialog(seen)});
    EXPECT_EQ(dialog.Open(nullptr), DialogResult::Cancelled);
    driver.Finish();
    EXPECT_TRUE(driver.Problems().empty()) << ::testing::PrintToString(driver.Problems());
    EXPECT_EQ(seen->name, L"新截图");
    EXPECT_EQ(seen->folder, folder_);
    EXPECT_EQ(dialog.fileName(), first);
  }
  EXPECT_EQ(GetFileAttributesW(first.c_str()), INVALID_FILE_ATTRIBUTES) << "the dialog itself wrote a file";
}

TEST_F(FileDialogTest, OverwriteIsAskedAndRefusalKeepsTheDialogOpen) {
  const std::wstring existing = folder_ + L"\\existing.bmp";
  platform::UniqueFile(CreateFileW(existing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  FileDialog dialog(picture::CaptureDialogSettings());
  test_support::SeenMessageBox prompt;
  test_support::DialogDriver driver({
      test_support::TypeNameAndConfirm(existing),
      test_support::AnswerMessageBox("the overwrite prompt, to refuse", IDNO, &prompt),
      test_support::CancelFileDialog(),
  });
  EXPECT_EQ(dialog.Open(nullptr), DialogResult::Cancelled);
  driver.Finish();
  EXPECT_TRUE(driver.Problems().empty()) << ::testing::PrintToString(driver.Problems());
  EXPECT_EQ(driver.StepsDone(), 3);
  EXPECT_FALSE(prompt.text.empty());  // Wine's prompt names no file, so only its presence is checked
  EXPECT_EQ(dialog.fileName(), L"");
}

// The real save dialog, refusing a request it cannot serve, as it refuses a
// chosen path longer than the buffer (which Wine cannot show: typing one
// crashes its dialog).
BOOL WINAPI FailingSaveDialog(OPENFILENAMEW* request) {
  OPENFILENAMEW wrong = *request;
  wrong.lStructSize = 1;
  return GetSaveFileNameW(&wrong);
}

TEST_F(FileDialogTest, PlatformFailureIsNotACancel) {
  FileDialogSettings settings = picture::CaptureDialogSettings();
  settings.fileName = L"C:\\kept.bmp";
  FileDialog dialog(settings, FailingSaveDialog);
  test_support::DialogDriver driver({});
  EXPECT_EQ(dialog.Open(nullptr), DialogResult::Failed);
  driver.Finish();
  EXPECT_TRUE(driver.Problems().empty()) << ::testing::PrintToString(driver.Problems());
  EXPECT_EQ(dialog.fileName(), L"C:\\kept.bmp");
}

}  // namespace
