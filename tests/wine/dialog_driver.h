#pragma once
// Plays the user for modal dialogs and message boxes that the test thread
// opens: a second thread waits for each expected window in turn and acts on
// it, and reports any further box that appears, closing it so the test thread
// never hangs.
#include <windows.h>

#include <commdlg.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace test_support {

inline constexpr int kFileNameControl = 0x47c;   // cmb13, the file name box of the explorer-style dialog
inline constexpr int kMessageTextControl = 0xffff;
inline constexpr int kMessageIconControl = 0x440;

inline std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The file name box's edit control (a combo box holds it in some versions).
inline HWND FileNameEdit(HWND dialog) {
  HWND box = GetDlgItem(dialog, kFileNameControl);
  if (!box) return nullptr;
  wchar_t className[32] = {};
  GetClassNameW(box, className, 32);
  if (std::wstring(className) == L"Edit") return box;
  HWND inner = FindWindowExW(box, nullptr, L"Edit", nullptr);
  if (inner) return inner;
  HWND combo = FindWindowExW(box, nullptr, L"ComboBox", nullptr);
  return combo ? FindWindowExW(combo, nullptr, L"Edit", nullptr) : box;
}

inline bool IsFileDialog(HWND window) { return GetDlgItem(window, kFileNameControl) != nullptr; }
inline bool IsMessageBox(HWND window) {
  return !IsFileDialog(window) && GetDlgItem(window, kMessageTextControl) != nullptr;
}

class DialogDriver {
 public:
  struct Step {
    const char* what;
    std::function<bool(HWND)> matches;
    std::function<void(HWND)> act;  // runs on the driver thread; post, never send, clicks
  };

  // Starts watching the windows of the calling thread.
  explicit DialogDriver(std::vector<Step> steps, std::chrono::seconds deadline = std::chrono::seconds(60))
      : steps_(std::move(steps)), deadline_(deadline), thread_(GetCurrentThreadId()) {
    worker_ = std::thread([this] { Run(); });
  }
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;
  ~DialogDriver() { Finish(); }

  // Stops the driver; afterwards the reports below are final.
  void Finish() {
    stop_ = true;
    if (worker_.joinable()) worker_.join();
  }
  int StepsDone() const { return stepsDone_; }
  // Steps that never found their window, and boxes that nobody expected.
  std::vector<std::string> Problems() const {
    std::lock_guard lock(mutex_);
    return problems_;
  }

 private:
  static HWND FindVisibleDialog(DWORD thread, const std::function<bool(HWND)>& matches) {
    struct Search {
      const std::function<bool(HWND)>* matches;
      HWND found;
    } search{&matches, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM data) -> BOOL {
          auto* s = reinterpret_cast<Search*>(data);
          wchar_t className[16] = {};
          GetClassNameW(window, className, 16);
          if (IsWindowVisible(window) && std::wstring(className) == L"#32770" && (*s->matches)(window)) {
            s->found = window;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  void Report(std::string problem) {
    std::lock_guard lock(mutex_);
    problems_.push_back(std::move(problem));
  }

  void Run() {
    for (const Step& step : steps_) {
      const auto giveUp = std::chrono::steady_clock::now() + deadline_;
      HWND window = nullptr;
      while (!(window = FindVisibleDialog(thread_, step.matches))) {
        if (stop_ || std::chrono::steady_clock::now() > giveUp) {
          Report(std::string("never appeared: ") + step.what);
          CloseAll();
          return;
        }
        Sleep(20);
      }
      step.act(window);
      actedOn_.push_back(window);
      ++stepsDone_;
      // The window must answer before the next step looks, so the same
      // window is not taken for the next one.
      const auto settled = std::chrono::steady_clock::now() + deadline_;
      while (!stop_ && IsWindow(window) && IsWindowVisible(window) && std::chrono::steady_clock::now() < settled &&
             !Handled(window)) {
        Sleep(20);
      }
    }
    // Anything new that shows up now was not expected; a window already acted
    // on may still be closing.
    const auto isNew = [this](HWND window) {
      return std::find(actedOn_.begin(), actedOn_.end(), window) == actedOn_.end();
    };
    while (!stop_) {
      if (HWND unexpected = FindVisibleDialog(thread_, isNew)) {
        Report("unexpected window: " + Narrow(TextOf(unexpected)) + " / " +
               Narrow(TextOf(GetDlgItem(unexpected, kMessageTextControl))));
        PostMessageW(unexpected, WM_COMMAND, IDCANCEL, 0);
        PostMessageW(unexpected, WM_COMMAND, IDOK, 0);
        Sleep(200);
      }
      Sleep(20);
    }
  }

  // A step's window is handled once it is gone or another dialog of the thread
  // is in front of it (an overwrite prompt over the file dialog).
  bool Handled(HWND window) const {
    HWND front = FindVisibleDialog(thread_, [window](HWND other) { return other != window; });
    return front != nullptr && GetWindow(front, GW_OWNER) == window;
  }

  void CloseAll() {
    while (HWND open = FindVisibleDialog(thread_, [](HWND) { return true; })) {
      PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
      Sleep(200);
      if (stop_) return;
    }
  }

  static std::string Narrow(const std::wstring& text) {
    std::string result(static_cast<std::size_t>(
                           WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr)),
                       '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), static_cast<int>(result.size()), nullptr, nullptr);
    if (!result.empty()) result.pop_back();
    return result;
  }

  std::vector<Step> steps_;
  std::vector<HWND> actedOn_;  // the driver thread's own
  std::chrono::seconds deadline_;
  DWORD thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int> stepsDone_{0};
  mutable std::mutex mutex_;
  std::vector<std::string> problems_;
  std::thread worker_;
};

// What a file dialog showed when it opened.
struct SeenFileDialog {
  std::wstring name;    // the file name box
  std::wstring folder;  // the folder it shows
};

inline void Record(HWND dialog, SeenFileDialog* seen) {
  if (!seen) return;
  seen->name = TextOf(FileNameEdit(dialog));
  wchar_t folder[MAX_PATH] = {};
  SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
  seen->folder = folder;
}

// Common acts.
inline DialogDriver::Step TypeNameAndConfirm(std::wstring fileName, SeenFileDialog* seen = nullptr) {
  return {"the file dialog, to type a name", IsFileDialog, [fileName, seen](HWND dialog) {
            Record(dialog, seen);
            SendMessageW(FileNameEdit(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName.c_str()));
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
          }};
}

inline DialogDriver::Step CancelFileDialog(SeenFileDialog* seen = nullptr) {
  return {"the file dialog, to cancel it", IsFileDialog, [seen](HWND dialog) {
            Record(dialog, seen);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
          }};
}

// Answers a message box with a button after recording what it showed.
struct SeenMessageBox {
  std::wstring caption;
  std::wstring text;
  HICON icon = nullptr;
};

inline DialogDriver::Step AnswerMessageBox(const char* what, int button, SeenMessageBox* seen = nullptr,
                                           std::function<void()> whileOpen = nullptr) {
  return {what, IsMessageBox, [button, seen, whileOpen](HWND box) {
            if (seen) {
              seen->caption = TextOf(box);
              seen->text = TextOf(GetDlgItem(box, kMessageTextControl));
              HWND icon = GetDlgItem(box, kMessageIconControl);
              seen->icon = icon && IsWindowVisible(icon)
                               ? reinterpret_cast<HICON>(SendMessageW(icon, STM_GETICON, 0, 0))
                               : nullptr;
            }
            if (whileOpen) whileOpen();
            PostMessageW(box, WM_COMMAND, button, 0);
          }};
}

}  // namespace test_support
