// Process entry: start-up, the message loop and the end of the program.
#include <windows.h>

#include <string>

#include "app/main_window.h"
#include "app/program_folder.h"

namespace {

std::wstring ProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  SetCurrentDirectoryW(app::ProgramFolder(ProgramPath()).c_str());
  // The program variables start at 0 by their definitions; loading the main
  // window runs its creation handler, which loads the capture window.
  main_window::Get().Load();
  platform::RunMessageLoop();
  platform::EndProgram(0);
}
