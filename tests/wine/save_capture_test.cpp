#include "picture/save_capture.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "dialog_driver.h"
#include "platform/handles.h"

namespace {

using picture::PictureBytes;
using test_support::DialogDriver;

PictureBytes Picture(std::size_t size) {
  PictureBytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + 7);
  return bytes;
}

std::optional<PictureBytes> ReadAll(const std::wstring& path) {
  platform::UniqueFile file(
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  PictureBytes bytes(GetFileSize(file.get(), nullptr));
  DWORD got = 0;
  if (!bytes.empty() && !ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr)) {
    return std::nullopt;
  }
  return bytes;
}

BOOL WINAPI FailingSaveDialog(OPENFILENAMEW* request) {
  OPENFILENAMEW wrong = *request;
  wrong.lStructSize = 1;
  return GetSaveFileNameW(&wrong);
}

// The save handler against the real dialog and message boxes; the main window
// is a plain hidden top-level window of the test thread.
class SaveCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    folder_ = std::wstring(temp) + L"tessarin-save-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    mainWindow_.reset(CreateWindowExW(0, L"STATIC", L"main", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                                      nullptr, nullptr));
    ASSERT_TRUE(mainWindow_);
  }
  void TearDown() override {
    for (const wchar_t* name : {L"\\capture", L"\\existing.bmp", L"\\locked.bmp"}) {
      SetFileAttributesW((folder_ + name).c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW((folder_ + name).c_str());
    }
    RemoveDirectoryW(folder_.c_str());
  }

  // Runs the handler with a picture reader that counts its calls.
  void Save(const PictureBytes& picture, std::vector<DialogDriver::Step> user) {
    DialogDriver driver(std::move(user));
    picture::SaveCapture(dialog_, mainWindow_.get(), [&] {
      ++pictureReads_;
      return picture;
    });
    driver.Finish();
    problems_ = driver.Problems();
    stepsDone_ = driver.StepsDone();
  }

  void MakeFile(const std::wstring& path, const PictureBytes& bytes, DWORD attributes) {
    {
      platform::UniqueFile file(
          CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
      ASSERT_TRUE(file);
      DWORD written = 0;
      ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), attributes));
  }

  std::wstring folder_;
  platform::UniqueWindow mainWindow_;
  platform::FileDialog dialog_{picture::CaptureDialogSettings()};
  int pictureReads_ = 0;
  int stepsDone_ = 0;
  std::vector<std::string> problems_;
};

TEST_F(SaveCaptureTest, CancelReadsWritesAndShowsNothing) {
  Save(Picture(100), {test_support::CancelFileDialog()});
  EXPECT_EQ(stepsDone_, 1);
  EXPECT_TRUE(problems_.empty()) << ::testing::PrintToString(problems_);
  EXPECT_EQ(pictureReads_, 0);
  EXPECT_EQ(dialog_.fileName(), L"");
}

TEST_F(SaveCaptureTest, ConfirmedNameGetsThePictureBytes) {
  struct Case {
    const char* what;
    PictureBytes picture;
    std::optional<PictureBytes> existing;  // replaced after the overwrite prompt
  };
  const Case cases[] = {
      {"a picture to a new file", Picture(70 * 1024), std::nullopt},
      {"a picture over a larger file", Picture(100), Picture(5000)},
      {"no capture yet: an empty file", {}, std::nullopt},
      {"no capture yet over a file", {}, Picture(300)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring target = folder_ + L"\\capture";  // no extension, and none is added
    DeleteFileW(target.c_str());
    std::vector<DialogDriver::Step> user = {test_support::TypeNameAndConfirm(target)};
    if (c.existing) {
      MakeFile(target, *c.existing, FILE_ATTRIBUTE_NORMAL);
      user.push_back(test_support::AnswerMessageBox("the overwrite prompt, to agree", IDYES));
    }
    pictureReads_ = 0;
    Save(c.picture, std::move(user));
    EXPECT_EQ(stepsDone_, c.existing ? 2 : 1);
    EXPECT_TRUE(problems_.empty()) << ::testing::PrintToString(problems_);  // no failure message
    EXPECT_EQ(pictureReads_, 1);
    EXPECT_EQ(ReadAll(target), c.picture);
    EXPECT_EQ(dialog_.fileName(), target);
  }
}

TEST_F(SaveCaptureTest, FailedWriteShowsTheTaskModalFailureMessage) {
  const std::wstring locked = folder_ + L"\\locked.bmp";
  MakeFile(locked, Picture(400), FILE_ATTRIBUTE_READONLY);
  test_support::SeenMessageBox seen;
  bool mainWindowEnabled = true;
  Save(Picture(1000), {test_support::TypeNameAndConfirm(locked),
                       test_support::AnswerMessageBox("the overwrite prompt, to agree", IDYES),
                       test_support::AnswerMessageBox("the failure message", IDOK, &seen, [&] {
                         mainWindowEnabled = IsWindowEnabled(mainWindow_.get()) != FALSE;
                       })});
  EXPECT_EQ(stepsDone_, 3);
  EXPECT_TRUE(problems_.empty()) << ::testing::PrintToString(problems_);
  EXPECT_EQ(seen.caption, L"友情提醒");
  EXPECT_EQ(seen.text, L"写到文件失败，请联系管理员");
  EXPECT_EQ(seen.icon, LoadIconW(nullptr, IDI_HAND));
  EXPECT_FALSE(mainWindowEnabled) << "the box is not task-modal";
  EXPECT_TRUE(IsWindowEnabled(mainWindow_.get()));
  EXPECT_EQ(ReadAll(locked), Picture(400));
}

TEST_F(SaveCaptureTest, FailedDialogShowsTheFailureMessage) {
  platform::FileDialogSettings settings = picture::CaptureDialogSettings();
  dialog_ = platform::FileDialog(settings, FailingSaveDialog);
  test_support::SeenMessageBox seen;
  Save(Picture(10), {test_support::AnswerMessageBox("the failure message", IDOK, &seen)});
  EXPECT_EQ(stepsDone_, 1);
  EXPECT_TRUE(problems_.empty()) << ::testing::PrintToString(problems_);
  EXPECT_EQ(seen.caption, L"友情提醒");
  EXPECT_EQ(seen.text, L"写到文件失败，请联系管理员");
  EXPECT_EQ(pictureReads_, 0);
}

}  // namespace
