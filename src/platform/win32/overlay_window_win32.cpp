#include "platform/win32/overlay_window_win32.h"

#include <windowsx.h>

#include "base/failure.h"
#include "platform/win32/cursor_file_win32.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/resources/resource_ids.h"
#include "ui/window_definitions.h"

namespace qo::win32 {

namespace {

constexpr wchar_t kOverlayClass[] = L"QuillmarkOrvaneOverlay";
constexpr wchar_t kPreviewClass[] = L"QuillmarkOrvanePicture";
// What the preview box shows for the part of its square outside the picture.
constexpr COLORREF kNeutralGrey = RGB(128, 128, 128);
// The window property the system reads before turning a held pen or finger into
// a right click (which saves) or a quick stroke into a flick: both off, so a pen
// draws as the mouse does.
constexpr wchar_t kTabletProperty[] = L"MicrosoftTabletPenServiceProperty";
constexpr UINT_PTR kTabletDisablePressAndHold = 0x00000001;
constexpr UINT_PTR kTabletDisableFlicks = 0x00010000;
Size screenSize() { return Win32Screen().size(); }

// The button a button message is about: 1 left, 2 right, 4 middle.
int buttonOf(UINT m) {
  if (m == WM_RBUTTONDOWN || m == WM_RBUTTONDBLCLK || m == WM_RBUTTONUP) return 2;
  return m == WM_MBUTTONDOWN || m == WM_MBUTTONDBLCLK || m == WM_MBUTTONUP ? 4 : 1;
}

// Scales an offset within the 25-pixel square to the box's pixels.
int scaled(int offset, int boxSide) {
  return (offset * boxSide + kPreviewSquareSide / 2) / kPreviewSquareSide;
}

}  // namespace

PreviewBox::PreviewBox(HWND parent, RECT bounds) {
  registerClass(kPreviewClass, 0, ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
  createWindow(0, kPreviewClass, L"", WS_CHILD | WS_VISIBLE, bounds.left, bounds.top,
               bounds.right - bounds.left, bounds.bottom - bounds.top, parent, nullptr);
}

LRESULT PreviewBox::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PaintDc paint(hwnd());
    ::FillRect(paint.get(), &paint.area(), ::GetSysColorBrush(COLOR_BTNFACE));
    return 0;
  }
  return defaultHandling(message, wParam, lParam);
}

Win32OverlayWindow::Win32OverlayWindow(FormEvents& events)
    : WindowBase(uncaughtErrorReport(form2Definition().name)),
      events_(events),
      dialogs_(nullptr), neutral_(::CreateSolidBrush(kNeutralGrey)) {
  const Size screen = screenSize();
  image_ = std::make_unique<PersistentImage>(screen, ::GetSysColor(COLOR_BTNFACE));
  registerClass(kOverlayClass, CS_DBLCLKS, ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
  // Built hidden; maximised with no border it covers the whole screen.  Topmost,
  // so that no window that comes forward can bury it: it has no taskbar button to
  // bring it back by.
  createWindow(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kOverlayClass, L"", WS_POPUP | WS_CLIPCHILDREN, 0,
               0, screen.width, screen.height, nullptr, nullptr);
  dialogs_.setOwner(hwnd());
  const auto& picMain = form2Definition().controls[0];
  const Rect box = pixelRect(picMain, dpiOf(hwnd()));
  previewBox_ =
      std::make_unique<PreviewBox>(hwnd(), RECT{box.left, box.top, box.right, box.bottom});
  // Last: only a window that is built takes the property, which its discard removes.
  ::SetPropW(hwnd(), kTabletProperty,
             reinterpret_cast<HANDLE>(kTabletDisablePressAndHold | kTabletDisableFlicks));
}

void Win32OverlayWindow::setApplicationIcon() { setApplicationIcons(hwnd()); }

void Win32OverlayWindow::loadMouseIcon(const std::wstring& path) {
  // Kept as the overlay's custom pointer image; the overlay itself shows the arrow.
  mouseIcon_ = loadCursorFile(path);
}

void Win32OverlayWindow::copyFromScreen(ScreenContext& screen, Size size) {
  auto& context = static_cast<Win32ScreenContext&>(screen);
  image_->copyFrom(context.get(), size);
  ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void Win32OverlayWindow::drawLine(Point from, Point to, int penWidth, Colour colour) {
  const RECT touched =
      image_->drawLine({from.x, from.y}, {to.x, to.y}, penWidth, toColorRef(colour));
  ::InvalidateRect(hwnd(), &touched, FALSE);
}

Rect Win32OverlayWindow::previewBox() {
  RECT r{};
  ::GetWindowRect(previewBox_->hwnd(), &r);
  ::MapWindowPoints(HWND_DESKTOP, hwnd(), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

void Win32OverlayWindow::movePreviewBox(Point topLeft) {
  ::SetWindowPos(previewBox_->hwnd(), nullptr, topLeft.x, topLeft.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32OverlayWindow::showInPreviewBox(Rect source) {
  RECT client{};
  ::GetClientRect(previewBox_->hwnd(), &client);
  const Size image = image_->size();
  const Rect inside = intersect(source, {0, 0, image.width, image.height});
  WindowDc box(previewBox_->hwnd());
  if (inside != source) ::FillRect(box.get(), &client, neutral_.get());
  if (inside.empty()) return;
  const int left = scaled(inside.left - source.left, client.right);
  const int top = scaled(inside.top - source.top, client.bottom);
  const int right = scaled(inside.right - source.left, client.right);
  const int bottom = scaled(inside.bottom - source.top, client.bottom);
  ::SetStretchBltMode(box.get(), COLORONCOLOR);
  ::StretchBlt(box.get(), left, top, right - left, bottom - top, image_->dc(), inside.left,
               inside.top, inside.width(), inside.height(), SRCCOPY);
}

void Win32OverlayWindow::show() {
  ::ShowWindow(hwnd(), SW_SHOWMAXIMIZED);
  ::SetForegroundWindow(hwnd());
}

void Win32OverlayWindow::paint() {
  PaintDc paint(hwnd());
  copyInBands(paint.area(), blitBetween(paint.get(), image_->dc()));
}

void Win32OverlayWindow::raise(ControlEvent event, int button, WPARAM wParam, LPARAM lParam) {
  events_.raise(form2Definition().name, event,
                {button, shiftState(wParam), static_cast<float>(GET_X_LPARAM(lParam)),
                 static_cast<float>(GET_Y_LPARAM(lParam))});
}

LRESULT Win32OverlayWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT:
      paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the persistent image covers everything
    case WM_GETMINMAXINFO: {
      // Maximised, a borderless window covers the whole screen, not just the work area.
      auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
      const Size screen = screenSize();
      info->ptMaxPosition = {0, 0};
      info->ptMaxSize = {screen.width, screen.height};
      return 0;
    }
    case WM_MOUSEMOVE:
      raise(ControlEvent::MouseMove, buttonsHeld(wParam), wParam, lParam);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      // Held, the mouse stays ours when the pointer leaves the overlay (onto
      // another monitor), so the stroke goes on and the release is not lost.  A
      // dialog or box that opens meanwhile takes it back by disabling the overlay.
      ::SetCapture(hwnd());
      raise(ControlEvent::MouseDown, buttonOf(message), wParam, lParam);
      return 0;
    case WM_LBUTTONDBLCLK:
      raise(ControlEvent::DblClick, 1, wParam, lParam);
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      if (buttonsHeld(wParam) == 0 && ::GetCapture() == hwnd()) ::ReleaseCapture();
      raise(ControlEvent::MouseUp, buttonOf(message), wParam, lParam);
      return 0;
    case WM_CLOSE:
      // Form2 unloads the overlay; the system must not destroy the window under it.
      raise(ControlEvent::Unload, 0, 0, 0);
      return 0;
    default:
      return defaultHandling(message, wParam, lParam);
  }
}

std::unique_ptr<OverlayWindow> Win32OverlayHost::buildOverlay(FormEvents& events) {
  return std::make_unique<Win32OverlayWindow>(events);
}

void Win32OverlayHost::discardOverlay(std::unique_ptr<OverlayWindow> window) {
  // Every overlay window comes from buildOverlay above.
  auto* overlay = static_cast<Win32OverlayWindow*>(window.release());
  ::RemovePropW(overlay->hwnd(), kTabletProperty);  // a property left on holds its name's atom
  WindowBase::destroyWhenIdle(std::unique_ptr<WindowBase>(overlay));
}

}  // namespace qo::win32
