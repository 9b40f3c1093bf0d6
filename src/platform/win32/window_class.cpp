#include "platform/win32/window_class.h"

#include <utility>

#include "base/failure.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/resources/resource_ids.h"

namespace qo::win32 {

HINSTANCE programInstance() { return ::GetModuleHandleW(nullptr); }

std::wstring windowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(length > 0 ? length : 0));
  return text;
}

namespace {

// The four-image application icon at the size the system wants for kind.
HICON loadApplicationIcon(int systemMetricWidth, int systemMetricHeight) {
  return static_cast<HICON>(::LoadImageW(programInstance(), MAKEINTRESOURCEW(IDI_APPLICATION_ICON),
                                         IMAGE_ICON, ::GetSystemMetrics(systemMetricWidth),
                                         ::GetSystemMetrics(systemMetricHeight), 0));
}

}  // namespace

void setApplicationIcons(HWND window) {
  struct Icons {
    UniqueIcon big;
    UniqueIcon small;
  };
  // Loading them costs a few milliseconds, each time the overlay opens if not kept.
  static const Icons icons = [] {
    ::SetLastError(0);
    Icons loaded{UniqueIcon(loadApplicationIcon(SM_CXICON, SM_CYICON)),
                 UniqueIcon(loadApplicationIcon(SM_CXSMICON, SM_CYSMICON))};
    if (!loaded.big || !loaded.small) throwLastError(L"The application icon could not be loaded.");
    return loaded;
  }();
  ::SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icons.big.get()));
  ::SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icons.small.get()));
}

void WindowBase::registerClass(const wchar_t* name, UINT style, HCURSOR cursor, HBRUSH background) {
  WNDCLASSEXW existing{sizeof(existing)};
  if (::GetClassInfoExW(programInstance(), name, &existing)) return;
  WNDCLASSEXW wc{sizeof(wc)};
  wc.style = style;
  wc.lpfnWndProc = &WindowBase::thunk;
  wc.hInstance = programInstance();
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  ::SetLastError(0);
  if (!::RegisterClassExW(&wc)) throwLastError(L"A window class could not be registered.");
}

HWND WindowBase::createWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text,
                              DWORD style, int x, int y, int width, int height, HWND parent,
                              HMENU id) {
  ::SetLastError(0);
  HWND window = ::CreateWindowExW(exStyle, className, text, style, x, y, width, height, parent, id,
                                  programInstance(), this);
  if (!window) throwLastError(L"A window could not be created.");
  return window;
}

LRESULT WindowBase::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  return defaultHandling(message, wParam, lParam);
}

LRESULT WindowBase::defaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hwnd_, message, wParam, lParam);
}

WindowBase::~WindowBase() {
  if (!hwnd_) return;
  ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
  HandleCounts::remove(HandleKind::Window);
  ::DestroyWindow(std::exchange(hwnd_, nullptr));
}

void WindowBase::destroyWhenIdle(std::unique_ptr<WindowBase> window) {
  if (!window || window->messagesInHand_ == 0) return;  // destroyed as it goes out of scope
  if (window->hwnd_) ::ShowWindow(window->hwnd_, SW_HIDE);
  window->destroyWhenIdle_ = true;
  static_cast<void>(window.release());  // the thunk deletes it
}

LRESULT CALLBACK WindowBase::thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* self = static_cast<WindowBase*>(create->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    HandleCounts::add(HandleKind::Window);
  }
  auto* self = reinterpret_cast<WindowBase*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!self) return ::DefWindowProcW(hwnd, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    HandleCounts::remove(HandleKind::Window);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return ::DefWindowProcW(hwnd, message, wParam, lParam);
  }
  ++self->messagesInHand_;
  // A window on its way out raises no more events: it is no longer its form's.
  const LRESULT result = self->destroyWhenIdle_
                             ? ::DefWindowProcW(hwnd, message, wParam, lParam)
                             : self->handle(message, wParam, lParam);
  if (--self->messagesInHand_ == 0 && self->destroyWhenIdle_) {
    self->destroyWhenIdle_ = false;  // its window's last messages come through here again
    delete self;
  }
  return result;
}

LRESULT WindowBase::handle(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  try {
    return onMessage(message, wParam, lParam);
  } catch (...) {
    // The toolchain cannot unwind through the system's frames: a failure ends here.
    reportUncaught(message, std::current_exception());
    return message == WM_CREATE ? -1 : 0;  // a window that fails to build is not built
  }
}

// Our object of a window, when the window is of one of our classes.
WindowBase* WindowBase::objectOf(HWND window) {
  if (!window || ::GetClassLongPtrW(window, GCLP_WNDPROC) !=
                     reinterpret_cast<ULONG_PTR>(&WindowBase::thunk)) {
    return nullptr;
  }
  return reinterpret_cast<WindowBase*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

void WindowBase::reportUncaught(UINT message, const std::exception_ptr& error) noexcept {
  if (message == WM_PAINT && hwnd_) ::ValidateRect(hwnd_, nullptr);  // or it comes straight back
  const WindowBase* reporter = report_ || !hwnd_ ? this : objectOf(::GetAncestor(hwnd_, GA_ROOT));
  if (reporter && reporter->report_) reporter->report_(describeException(error), message);
}

int buttonsHeld(WPARAM keys) {
  return ((keys & MK_LBUTTON) ? 1 : 0) | ((keys & MK_RBUTTON) ? 2 : 0) |
         ((keys & MK_MBUTTON) ? 4 : 0);
}

int shiftState(WPARAM keys) {
  return ((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
         ((::GetKeyState(VK_MENU) < 0) ? 4 : 0);
}

int dpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  const auto getDpiForWindow = user32Function<GetDpiForWindowFn>("GetDpiForWindow");
  if (getDpiForWindow && window) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  WindowDc screen(nullptr);
  const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  return dpi > 0 ? dpi : 96;
}

}  // namespace qo::win32
