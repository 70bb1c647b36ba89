// snapshot_dump: runs the whole-screen snapshot inside Wine for the end-to-end
// tests and the benchmark. Facts go to standard output as "key=value" lines.
//
//   snapshot_dump OUT_FILE     writes the snapshot's bytes to OUT_FILE
//   snapshot_dump --time N     takes N snapshots, prints the median time
//
// Both print the screen's depth (bits per pixel) and whether it is
// palette-based. Exit status: 0 on success, 1 when the snapshot is empty or
// the file cannot be written, 2 on a usage error.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

#include "picture/snapshot.h"
#include "platform/handles.h"

namespace {

void PrintScreenFacts() {
  platform::WindowDc screen = platform::WindowDc::Client(nullptr);
  std::printf("screen_bits=%d\n", GetDeviceCaps(screen.get(), BITSPIXEL));
  std::printf("rc_palette=%d\n", (GetDeviceCaps(screen.get(), RASTERCAPS) & RC_PALETTE) ? 1 : 0);
}

int Write(const wchar_t* path) {
  const picture::PictureBytes bytes = picture::SnapshotScreen();
  std::printf("bytes=%zu\n", bytes.size());
  if (bytes.empty()) return 1;
  platform::UniqueFile file(
      CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  DWORD written = 0;
  if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    return 1;
  }
  return 0;
}

int Time(int count) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  std::vector<double> milliseconds;
  std::size_t size = 0;
  for (int i = 0; i < count; ++i) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const picture::PictureBytes bytes = picture::SnapshotScreen();
    QueryPerformanceCounter(&end);
    if (bytes.empty()) return 1;
    size = bytes.size();
    milliseconds.push_back(1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                           static_cast<double>(frequency.QuadPart));
  }
  std::sort(milliseconds.begin(), milliseconds.end());
  std::printf("bytes=%zu\nruns=%d\nmedian_ms=%.2f\nfastest_ms=%.2f\nslowest_ms=%.2f\n", size, count,
              milliseconds[milliseconds.size() / 2], milliseconds.front(), milliseconds.back());
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"--time") == 0) {
    const int count = _wtoi(argv[2]);
    if (count <= 0) return 2;
    PrintScreenFacts();
    return Time(count);
  }
  if (argc != 2) {
    std::fputs("usage: snapshot_dump OUT_FILE | --time N\n", stderr);
    return 2;
  }
  PrintScreenFacts();
  return Write(argv[1]);
}
