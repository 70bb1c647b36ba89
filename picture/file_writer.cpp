#include "picture/file_writer.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <optional>
#include <string>

#include "platform/handles.h"

namespace picture {

namespace {

// The full path of a name, or nothing when it has none or it is too long for
// programs without long-path support.
std::optional<std::wstring> FullPath(std::wstring_view fileName) {
  const std::wstring name(fileName);
  std::wstring full(MAX_PATH, L'\0');
  DWORD length = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length >= full.size()) {
    full.resize(length);
    length = GetFullPathNameW(name.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  }
  if (length == 0 || length >= MAX_PATH) return std::nullopt;
  full.resize(length);
  return full;
}

// The same path in the form that skips the MAX_PATH limit, so the temporary
// file beside a target close to the limit can still be made.
std::wstring LongForm(const std::wstring& fullPath) {
  if (fullPath.starts_with(L"\\\\?\\") || fullPath.starts_with(L"\\\\.\\")) return fullPath;
  if (fullPath.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + fullPath.substr(2);
  return L"\\\\?\\" + fullPath;
}

// The attributes a file may carry over to its replacement.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE;

// What the target is before anything is written.
struct TargetState {
  bool exists = false;
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
};

// Checks that the target can be replaced: a folder cannot, a read-only file
// must not be, and a file another program holds without sharing write access
// must not be either. The rename that replaces a file on some platforms (Wine
// among them) would ignore the last two, so they are checked here.
std::optional<TargetState> InspectTarget(const std::wstring& target) {
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return TargetState{};
    return std::nullopt;  // the folder is missing or cannot be read
  }
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DEVICE)) {
    return std::nullopt;
  }
  const platform::UniqueFile probe(
      CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!probe) return std::nullopt;
  return TargetState{true, attributes};
}

// A hidden, empty file with a new name in the folder, open for writing only by
// this program.
struct TemporaryFile {
  std::wstring path;
  platform::UniqueFile file;
};

std::optional<TemporaryFile> CreateTemporaryFile(const std::wstring& folder) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 64; ++attempt) {
    const unsigned long long mix = (static_cast<unsigned long long>(GetCurrentProcessId()) << 32) ^
                                   GetTickCount64() ^ (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    wchar_t name[32];
    std::swprintf(name, std::size(name), L".tessarin-%08x.tmp", static_cast<unsigned>(mix ^ (mix >> 32)));
    TemporaryFile temporary{folder + name, {}};
    temporary.file.reset(CreateFileW(temporary.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_HIDDEN, nullptr));
    if (temporary.file) return temporary;
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) return std::nullopt;
  }
  return std::nullopt;
}

bool WriteAll(HANDLE file, std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kLargestWrite = 1u << 30;
  while (!bytes.empty()) {
    const DWORD asked = static_cast<DWORD>(std::min(bytes.size(), kLargestWrite));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), asked, &written, nullptr) || written != asked) return false;
    bytes = bytes.subspan(asked);
  }
  return true;
}

// Writes, flushes and closes the temporary file; true when every byte is on disk.
bool FillAndClose(TemporaryFile& temporary, std::span<const std::span<const std::uint8_t>> sequences) {
  for (std::span<const std::uint8_t> sequence : sequences) {
    if (!WriteAll(temporary.file.get(), sequence)) return false;
  }
  if (!FlushFileBuffers(temporary.file.get())) return false;
  return CloseHandle(temporary.file.release()) != FALSE;
}

bool PutInPlace(const std::wstring& temporary, const std::wstring& target, const TargetState& state) {
  // The attributes go on before the swap, so the result never shows the
  // temporary file's hidden attribute, whatever the replacing call keeps.
  const DWORD kept = state.exists ? (state.attributes & kKeptAttributes) : 0;
  if (!SetFileAttributesW(temporary.c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL)) return false;
  if (state.exists &&
      ReplaceFileW(target.c_str(), temporary.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
    return true;
  }
  // A new target, or one that went away since it was inspected.
  if (state.exists && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  return MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace

bool WriteToFile(std::wstring_view fileName, std::span<const std::span<const std::uint8_t>> sequences) {
  if (fileName.empty()) return false;
  const std::optional<std::wstring> full = FullPath(fileName);
  if (!full || full->back() == L'\\') return false;
  const std::wstring target = LongForm(*full);
  const std::wstring folder = target.substr(0, target.rfind(L'\\') + 1);

  const std::optional<TargetState> state = InspectTarget(target);
  if (!state) return false;

  std::optional<TemporaryFile> temporary = CreateTemporaryFile(folder);
  if (!temporary) return false;
  if (FillAndClose(*temporary, sequences) && PutInPlace(temporary->path, target, *state)) return true;

  temporary->file.reset();
  SetFileAttributesW(temporary->path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileW(temporary->path.c_str());
  return false;
}

}  // namespace picture
