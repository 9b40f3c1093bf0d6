#include "platform/win32/window_class.h"

#include "platform/win32/win32_error.h"

namespace qo::win32 {

HINSTANCE programInstance() { return ::GetModuleHandleW(nullptr); }

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
  if (!::RegisterClassExW(&wc)) throwLastError(L"A window class could not be registered.");
}

HWND WindowBase::createWindow(DWORD exStyle, const wchar_t* className, const wchar_t* text,
                              DWORD style, int x, int y, int width, int height, HWND parent,
                              HMENU id) {
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
  return self->onMessage(message, wParam, lParam);
}

int dpiOf(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow && window) {
    const UINT dpi = getDpiForWindow(window);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  WindowDc screen(nullptr);
  const int dpi = ::GetDeviceCaps(screen.get(), LOGPIXELSX);
  return dpi > 0 ? dpi : 96;
}

}  // namespace qo::win32
