#include "capture/capture_window.h"

#include "app/main_window.h"
#include "capture/area_selection.h"
#include "capture/region_capture.h"
#include "picture/snapshot.h"
#include "platform/timed_wait.h"

namespace capture_window {
namespace {

using platform::UnitDescription;
using platform::UnitKind;

// Covers the primary screen with the window and its canvas, then freezes the
// screen as it is now into the canvas's background picture.
void OnCreated() {
  platform::Window& window = Get();
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
  window.SetLeft(窗口截图选区, 0);
  window.SetTop(窗口截图选区, 0);
  window.SetHeight(窗口截图选区, screenHeight);
  window.SetWidth(窗口截图选区, screenWidth);
  window.SetLeft(画板截图背景, 0);
  window.SetTop(画板截图背景, 0);
  window.SetHeight(画板截图背景, screenHeight);
  window.SetWidth(画板截图背景, screenWidth);

  platform::Window& mainWindow = main_window::Get();
  if (mainWindow.Checked(main_window::选择框隐藏窗口) == 1)
    mainWindow.SetVisible(main_window::窗口主界面, false);

  // Lets windows that were just hidden leave the screen before it is read.
  platform::WaitProcessingEvents(20);
  const picture::PictureBytes backdrop = picture::SnapshotScreen();
  window.SetBackgroundPicture(画板截图背景, backdrop);
}

platform::WindowDescription Describe() {
  platform::WindowDescription d;
  d.width = 380;
  d.height = 250;
  d.style = WS_POPUP;
  d.exStyle = WS_EX_TOPMOST | WS_EX_APPWINDOW;
  d.visible = false;
  d.escCloses = true;
  d.events.created = OnCreated;

  // Keeps the label defaults; nothing ever shows it.
  UnitDescription frame{.kind = UnitKind::Label, .left = 272, .top = 104, .width = 80, .height = 24,
                        .text = L"标签", .visible = false};

  UnitDescription backdrop{.kind = UnitKind::Canvas, .left = 8, .top = 8, .width = 296, .height = 216};
  backdrop.pictureMode = platform::PictureMode::Tiled;
  backdrop.autoRedraw = true;
  backdrop.penColour = RGB(255, 0, 0);
  backdrop.events.leftPressed = capture::OnBackdropPressed;
  backdrop.events.leftReleased = capture::OnBackdropReleased;
  backdrop.events.doubleClicked = capture::OnBackdropDoubleClicked;

  d.units = {frame, backdrop};
  return d;
}

}  // namespace

platform::Window& Get() {
  static platform::Window window(Describe());
  return window;
}

void StartCapture() { Get().SetVisible(窗口截图选区, true); }

}  // namespace capture_window
