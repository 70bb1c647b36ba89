#include "picture/file_writer.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/handles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes BytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

Bytes Pattern(std::size_t size) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
  return bytes;
}

std::string Narrow(const std::wstring& text) {
  std::string result;
  for (wchar_t c : text) result += c < 128 ? static_cast<char>(c) : '?';
  return result;
}

// Paths beyond MAX_PATH need the long form in the test's own set-up calls.
std::wstring Long(const std::wstring& path) { return L"\\\\?\\" + path; }

std::optional<Bytes> ReadAll(const std::wstring& path) {
  platform::UniqueFile file(CreateFileW(Long(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  Bytes bytes;
  std::uint8_t chunk[4096];
  DWORD got = 0;
  while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  return bytes;
}

void Create(const std::wstring& path, const Bytes& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  {
    platform::UniqueFile file(
        CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << "set-up cannot create " << Narrow(path) << ", error " << GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
  }
  ASSERT_TRUE(SetFileAttributesW(Long(path).c_str(), attributes));
}

struct Entry {
  DWORD attributes;
  std::optional<Bytes> content;  // nothing for folders
  bool operator==(const Entry&) const = default;
};
using FolderState = std::map<std::wstring, Entry>;

// Every entry of a folder, hidden ones included, with its attributes and bytes.
FolderState StateOf(const std::wstring& folder) {
  FolderState state;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(Long(folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return state;
  do {
    const std::wstring name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    const bool isFolder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    state[name] = {found.dwFileAttributes, isFolder ? std::nullopt : ReadAll(folder + L"\\" + name)};
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return state;
}

std::vector<std::wstring> Names(const FolderState& state) {
  std::vector<std::wstring> names;
  for (const auto& [name, entry] : state) names.push_back(name);
  return names;
}

void RemoveTree(const std::wstring& folder) {
  for (const auto& [name, entry] : StateOf(folder)) {
    const std::wstring path = folder + L"\\" + name;
    SetFileAttributesW(Long(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    if (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveTree(path);
    } else {
      DeleteFileW(Long(path).c_str());
    }
  }
  RemoveDirectoryW(Long(folder).c_str());
}

// A second process that holds a file open with no sharing at all, as an
// editor or a viewer might. It inherits the only handle and sleeps suspended.
class HeldByAnotherProcess {
 public:
  explicit HeldByAnotherProcess(const std::wstring& path) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    platform::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    wchar_t commandLine[] = L"cmd.exe /c exit";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (CreateProcessW(nullptr, commandLine, nullptr, nullptr, TRUE, CREATE_SUSPENDED | CREATE_NO_WINDOW, nullptr,
                       nullptr, &startup, &started)) {
      process_.reset(started.hProcess);
      CloseHandle(started.hThread);
    }
  }
  HeldByAnotherProcess(const HeldByAnotherProcess&) = delete;
  HeldByAnotherProcess& operator=(const HeldByAnotherProcess&) = delete;
  ~HeldByAnotherProcess() { Release(); }

  bool Started() const { return static_cast<bool>(process_); }
  void Release() {
    if (!process_) return;
    TerminateProcess(process_.get(), 0);
    WaitForSingleObject(process_.get(), 60000);
    process_.reset();
  }

 private:
  platform::UniqueKernelHandle process_;
};

class FileWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    static int counter = 0;
    folder_ = std::wstring(temp) + L"tessarin-writer-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++counter);
    ASSERT_TRUE(CreateDirectoryW(folder_.c_str(), nullptr));
    DWORD length = GetCurrentDirectoryW(0, nullptr);
    previousDirectory_.resize(length);
    previousDirectory_.resize(GetCurrentDirectoryW(length, previousDirectory_.data()));
  }
  void TearDown() override {
    SetCurrentDirectoryW(previousDirectory_.c_str());
    RemoveTree(folder_);
  }

  std::wstring In(const std::wstring& name) const { return folder_ + L"\\" + name; }

  // Runs a write that must fail and checks that the watched folder, every
  // file's bytes and attributes included, is exactly as it was: an existing
  // target untouched, nothing created, no temporary file left behind.
  // `whileWriting` brackets the write, for a condition that must not outlive it.
  void ExpectRefused(const std::wstring& fileName, const std::wstring& watched,
                     const std::function<void(const std::function<void()>&)>& whileWriting = nullptr) {
    const FolderState before = StateOf(watched);
    const Bytes picture = Pattern(5000);
    bool written = true;
    const auto write = [&] { written = picture::WriteToFile(fileName, {picture}); };
    if (whileWriting) {
      whileWriting(write);
    } else {
      write();
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(StateOf(watched), before) << "the folder changed: now " << ::testing::PrintToString(Names(StateOf(watched)));
  }

  std::wstring folder_;
  std::wstring previousDirectory_;
};

// Failures: each leaves everything as it was.

TEST_F(FileWriterTest, EmptyNameTouchesNothing) {
  ASSERT_TRUE(SetCurrentDirectoryW(folder_.c_str()));
  Create(In(L"existing.bmp"), BytesOf("old picture"));
  ExpectRefused(L"", folder_);
}

TEST_F(FileWriterTest, MissingFolderIsNotCreated) {
  Create(In(L"existing.bmp"), BytesOf("old picture"));
  ExpectRefused(In(L"missing\\picture.bmp"), folder_);
}

TEST_F(FileWriterTest, FolderAsTargetIsRefused) {
  ASSERT_TRUE(CreateDirectoryW(In(L"pictures").c_str(), nullptr));
  ExpectRefused(In(L"pictures"), folder_);
  ExpectRefused(In(L"pictures\\"), folder_);
}

TEST_F(FileWriterTest, ReadOnlyTargetStaysAsItWas) {
  Create(In(L"locked.bmp"), BytesOf("a read-only picture"), FILE_ATTRIBUTE_READONLY);
  ExpectRefused(In(L"locked.bmp"), folder_);
}

TEST_F(FileWriterTest, TargetHeldOpenByAnotherProcessStaysAsItWas) {
  const std::wstring target = In(L"held.bmp");
  Create(target, Pattern(3000));
  ExpectRefused(target, folder_, [&](const std::function<void()>& write) {
    HeldByAnotherProcess holder(target);
    ASSERT_TRUE(holder.Started()) << "cannot start the holding process, error " << GetLastError();
    // The set-up itself is checked: nobody else may open the file now.
    platform::UniqueFile again(CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_FALSE(again) << "the other process does not hold the file";
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    write();
    holder.Release();
  });
}

// A full disk: TESSARIN_SMALL_DISK names an empty folder on a small file
// system (scripts/with-small-disk mounts a 64 KiB tmpfs and sets it).
TEST_F(FileWriterTest, FullDiskLeavesTargetAsItWas) {
  wchar_t smallDisk[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"TESSARIN_SMALL_DISK", smallDisk, MAX_PATH) == 0) {
    GTEST_SKIP() << "TESSARIN_SMALL_DISK is not set: run under scripts/with-small-disk";
  }
  const std::wstring disk = smallDisk;
  const std::wstring existing = disk + L"\\existing.bmp";
  Create(existing, Pattern(8 * 1024));
  const Bytes tooLarge = Pattern(256 * 1024);

  struct Case {
    const char* what;
    std::wstring target;
  };
  const Case cases[] = {{"replacing a file", existing}, {"a new file", disk + L"\\new.bmp"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const FolderState before = StateOf(disk);
    EXPECT_FALSE(picture::WriteToFile(c.target, {tooLarge}));
    EXPECT_EQ(StateOf(disk), before) << "now " << ::testing::PrintToString(Names(StateOf(disk)));
  }
  // Once the failed writes are gone, the space is free again for a real one.
  EXPECT_TRUE(picture::WriteToFile(existing, {Pattern(20 * 1024)}));
  EXPECT_EQ(ReadAll(existing), Pattern(20 * 1024));
  SetFileAttributesW(existing.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(existing.c_str());
}

// The full path must fit the MAX_PATH buffer of programs without long-path
// support, the dialog's among them; the temporary file beside a target just
// under that limit is longer still and must work all the same.
TEST_F(FileWriterTest, FullPathMustFitTheBuffer) {
  std::wstring deep = folder_;
  while (deep.size() < 320) {
    deep += L"\\" + std::wstring(40, L'd');
    ASSERT_TRUE(CreateDirectoryW(Long(deep).c_str(), nullptr));
  }
  ExpectRefused(deep + L"\\picture.bmp", deep);

  // Names of exactly MAX_PATH - 1 and MAX_PATH characters in a shallow folder.
  const std::wstring base = folder_ + L"\\";
  ASSERT_LT(base.size(), MAX_PATH - 10u);
  const std::wstring longest = base + std::wstring(MAX_PATH - 1 - base.size(), L'n');
  const std::wstring tooLong = base + std::wstring(MAX_PATH - base.size(), L'n');
  ExpectRefused(tooLong, folder_);
  EXPECT_TRUE(picture::WriteToFile(longest, {BytesOf("fits")}));
  EXPECT_EQ(ReadAll(longest), BytesOf("fits"));
}

// Successes.

TEST_F(FileWriterTest, ContentIsExactlyTheSequencesInOrder) {
  struct Case {
    const char* what;
    std::optional<Bytes> existing;
    std::vector<Bytes> sequences;
    Bytes expected;
  };
  const Bytes large = Pattern(300 * 1024);
  const Case cases[] = {
      {"new file", std::nullopt, {BytesOf("BM"), BytesOf("header"), BytesOf("pixels")}, BytesOf("BMheaderpixels")},
      {"empty sequences skipped", std::nullopt, {{}, BytesOf("ab"), {}, {}, BytesOf("cd"), {}}, BytesOf("abcd")},
      {"no sequence gives 0 bytes", std::nullopt, {}, {}},
      {"only an empty sequence gives 0 bytes", std::nullopt, {{}}, {}},
      {"longer replaced by shorter is cut", Pattern(10000), {BytesOf("short")}, BytesOf("short")},
      {"shorter replaced by longer", BytesOf("tiny"), {large}, large},
      {"existing emptied", BytesOf("old picture"), {{}}, {}},
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring target = In(L"case" + std::to_wstring(++index));
    if (c.existing) Create(target, *c.existing);
    std::vector<std::span<const std::uint8_t>> spans(c.sequences.begin(), c.sequences.end());
    EXPECT_TRUE(picture::WriteToFile(target, spans));
    EXPECT_EQ(ReadAll(target), c.expected);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    EXPECT_FALSE(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY)) << std::hex << attributes;
  }
  // Exactly the targets, each under the name given (no extension added), and
  // no temporary file.
  const std::vector<std::wstring> expectedNames = {L"case1", L"case2", L"case3", L"case4",
                                                   L"case5", L"case6", L"case7"};
  EXPECT_EQ(Names(StateOf(folder_)), expectedNames);
}

TEST_F(FileWriterTest, ReplacedFileKeepsItsAttributes) {
  const DWORD cases[] = {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM};
  for (DWORD kept : cases) {
    SCOPED_TRACE(kept);
    const std::wstring target = In(L"marked" + std::to_wstring(kept) + L".bmp");
    Create(target, BytesOf("old"), kept);
    const DWORD before = GetFileAttributesW(target.c_str());
    ASSERT_EQ(before & kept, kept) << "this file system cannot store the attribute";
    EXPECT_TRUE(picture::WriteToFile(target, {BytesOf("new picture")}));
    EXPECT_EQ(ReadAll(target), BytesOf("new picture"));
    EXPECT_EQ(GetFileAttributesW(target.c_str()), before);
  }
  EXPECT_EQ(StateOf(folder_).size(), std::size(cases));
}

TEST_F(FileWriterTest, ChineseAndRelativeNames) {
  ASSERT_TRUE(CreateDirectoryW(In(L"截图").c_str(), nullptr)) << GetLastError();
  const std::wstring chinese = In(L"截图\\截图结果 一.bmp");
  EXPECT_TRUE(picture::WriteToFile(chinese, {BytesOf("BM"), Pattern(100)}));
  const FolderState inChineseFolder = StateOf(In(L"截图"));
  ASSERT_EQ(Names(inChineseFolder), std::vector<std::wstring>{L"截图结果 一.bmp"});
  EXPECT_EQ(inChineseFolder.begin()->second.content->size(), 102u);

  // A relative name is taken from the current directory, as the platform does.
  ASSERT_TRUE(SetCurrentDirectoryW(In(L"截图").c_str()));
  EXPECT_TRUE(picture::WriteToFile(L"相对", {BytesOf("relative")}));
  EXPECT_EQ(ReadAll(In(L"截图\\相对")), BytesOf("relative"));
  EXPECT_EQ(StateOf(In(L"截图")).size(), 2u);
}

}  // namespace
