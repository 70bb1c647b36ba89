#pragma once
// The window toolkit: windows and their units described as data, loaded in a
// fixed order, addressed by identity (the window is unit 0, its units 1, 2, ...
// in the order of the description), with events delivered to handlers.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picture/picture_bytes.h"
#include "platform/geometry_limits.h"
#include "platform/handles.h"

namespace platform {

class Canvas;
class FileDialog;

enum class UnitKind { Label, TransparentLabel, Button, CheckBox, Canvas, FileDialog };

// How a canvas shows its background picture.
enum class PictureMode {
  Tiled,       // copies at natural size, edge to edge from the top-left corner
  CentredFit,  // centred, shrunk to fit, never enlarged
};

struct FontDescription {
  std::wstring face;
  int characterHeight = 12;  // pixels
  int weight = FW_NORMAL;
  BYTE charset = DEFAULT_CHARSET;
};

// Mouse events carry x, y in client pixels and the function keys held
// (1 Ctrl, 2 Shift, 4 Alt).
using MouseHandler = std::function<void(int x, int y, int keys)>;

struct UnitEvents {
  std::function<void()> clicked;
  MouseHandler leftPressed;
  MouseHandler leftReleased;
  MouseHandler doubleClicked;
  std::function<void(int, int)> feedback;
};

struct UnitDescription {
  UnitKind kind = UnitKind::Label;
  int left = 0, top = 0, width = 0, height = 0;
  std::wstring text;
  bool visible = true;
  bool tabStop = false;
  bool checked = false;  // check boxes
  COLORREF textColour = RGB(0, 0, 0);
  std::optional<FontDescription> font;  // the system's default GUI font when absent
  // Canvases.
  PictureMode pictureMode = PictureMode::CentredFit;
  bool autoRedraw = false;  // keeps an off-screen image that drawings go to
  COLORREF penColour = RGB(0, 0, 0);
  // File dialog units.
  std::shared_ptr<FileDialog> dialog;
  UnitEvents events;
};

struct WindowEvents {
  std::function<void()> created;
  std::function<void()> moved;
  std::function<void()> resized;
  std::function<void()> gotFocus;
  std::function<void()> willBeDestroyed;
};

struct WindowDescription {
  std::wstring title;
  int left = 50, top = 50, width = 0, height = 0;  // outer size; left and top are not used
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  DWORD exStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
  bool visible = true;
  bool escCloses = false;  // a plain Esc in the window or its units closes it
  bool scaleWithDpi = false;  // layout and fonts follow the display's DPI above 96
  int iconResource = 0;
  std::vector<UnitDescription> units;
  WindowEvents events;
};

LRESULT CALLBACK WindowProcedure(HWND, UINT, WPARAM, LPARAM);

// One window of the program and its units. Properties can be read and written
// whether or not the window exists; while it does not, writes are only recorded.
class Window {
 public:
  explicit Window(WindowDescription description);
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  // Loads the window: created hidden and centred, units created, the created,
  // moved and resized events, then shown when the description says so.
  bool Load();
  bool Exists() const;

  HWND NativeHandle(int unit) const;

  int Left(int unit) const;
  int Top(int unit) const;
  int Width(int unit) const;
  int Height(int unit) const;
  void SetLeft(int unit, int value);
  void SetTop(int unit, int value);
  void SetWidth(int unit, int value);
  void SetHeight(int unit, int value);

  bool Visible(int unit) const;
  // For the window: true shows and activates it, false hides it.
  void SetVisible(int unit, bool visible);

  int Checked(int unit) const;  // 1 when checked
  std::wstring Text(int unit) const;

  // Canvas properties.
  picture::PictureBytes BackgroundPicture(int unit) const;
  void SetBackgroundPicture(int unit, std::span<const std::uint8_t> bytes);
  // Four little-endian bytes: 0 the default arrow, 2 the cross-hair.
  void SetMousePointer(int unit, std::span<const std::uint8_t> bytes);
  void DrawRectangle(int unit, int x1, int y1, int x2, int y2);

  FileDialog& Dialog(int unit);

  const WindowDescription& Description() const { return description_; }

  // Moves the keyboard focus to the next or previous tab stop, in reading order.
  void MoveFocus(bool backward);

  struct Unit;  // a unit's recorded state and native window

 private:
  friend LRESULT CALLBACK WindowProcedure(HWND, UINT, WPARAM, LPARAM);

  LRESULT HandleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void CreateUnits();
  std::vector<HWND> TabStops() const;
  HWND FirstTabStop() const;
  void ApplyGeometry(int unit);
  int Scaled(int value) const;
  Unit& unit(int index);
  const Unit& unit(int index) const;

  WindowDescription description_;
  HWND hwnd_ = nullptr;
  bool visible_ = false;
  bool shownOnce_ = false;
  bool tearingDown_ = false;
  HWND lastFocus_ = nullptr;
  int dpi_ = USER_DEFAULT_SCREEN_DPI;
  RECT rect_{};  // outer rectangle, recorded while the window does not exist
  std::vector<std::unique_ptr<Unit>> units_;
  std::vector<HICON> icons_;
  UniqueFont guiFont_;  // the default GUI font scaled for the DPI, when above 96
};

// Runs one round of the toolkit's own keyboard handling (Esc, Tab) for a
// message about to be dispatched; true when it consumed the message.
bool PreTranslate(MSG& message);

// Handles every pending message except a quit request, which stays queued.
void ProcessPendingEvents();

// Dispatches messages until the quit message; the quit message is posted when
// the last loaded window has been destroyed.
int RunMessageLoop();

// Stops event delivery for good, destroys every loaded window and ends the
// process with the exit code.
[[noreturn]] void EndProgram(int exitCode);

// Raises the feedback event of the unit whose native handle is given.
void RaiseFeedback(HWND unitWindow, int first, int second);

}  // namespace platform
