#include "platform/win32/main_window_win32.h"

#include <algorithm>
#include <cmath>

#include "base/failure.h"
#include "app/form1.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/win32_error.h"
#include "ui/resource_ids.h"

namespace qo::win32 {

namespace {

constexpr wchar_t kMainClass[] = L"QuillmarkOrvaneMain";
constexpr DWORD kMainStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kFirstControlId = 100;

UniqueFont createFont(const FontDefinition& font, int dpi) {
  LOGFONTW logFont{};
  logFont.lfHeight = -static_cast<LONG>(std::lround(font.points * dpi / 72.0));
  logFont.lfWeight = font.weight;
  logFont.lfCharSet = static_cast<BYTE>(font.charset);
  logFont.lfQuality = DEFAULT_QUALITY;
  font.face.copy(logFont.lfFaceName, std::min<std::size_t>(font.face.size(), LF_FACESIZE - 1));
  UniqueFont created(::CreateFontIndirectW(&logFont));
  if (!created) throwLastError(L"The font " + std::wstring(font.face) + L" could not be created.");
  return created;
}

int textWidth(HWND control, HFONT font) {
  const int length = ::GetWindowTextLengthW(control);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  ::GetWindowTextW(control, text.data(), length + 1);
  WindowDc dc(control);
  SelectedObject selected(dc.get(), font);
  SIZE extent{};
  ::GetTextExtentPoint32W(dc.get(), text.c_str(), length, &extent);
  return extent.cx;
}

RECT windowRectForClient(int width, int height, int dpi) {
  RECT r{0, 0, width, height};
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  const auto adjustForDpi = reinterpret_cast<AdjustForDpiFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
  if (adjustForDpi) {
    adjustForDpi(&r, kMainStyle, FALSE, 0, static_cast<UINT>(dpi));
  } else {
    ::AdjustWindowRectEx(&r, kMainStyle, FALSE, 0);
  }
  return r;
}

}  // namespace

Win32MainWindow::Win32MainWindow()
    : background_(::CreateSolidBrush(toColorRef(form1Definition().background))) {
  registerClass(kMainClass, 0, ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
  const WindowDefinition& form = form1Definition();
  const std::wstring caption(form.caption);
  createWindow(WS_EX_CONTROLPARENT, kMainClass, caption.c_str(), kMainStyle, CW_USEDEFAULT,
               CW_USEDEFAULT, 0, 0, nullptr, nullptr);
  const HICON designIcon = static_cast<HICON>(::LoadImageW(
      programInstance(), MAKEINTRESOURCEW(IDI_FORM1_DESIGN_ICON), IMAGE_ICON, 32, 32, LR_SHARED));
  if (designIcon)
    ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(designIcon));
  buildControls();
  layout(dpiOf(hwnd()), nullptr);
}

Win32MainWindow::~Win32MainWindow() {
  if (hwnd()) ::DestroyWindow(hwnd());
}

void Win32MainWindow::buildControls() {
  const auto definitions = form1Definition().controls;
  int id = kFirstControlId;
  for (const ControlDefinition& definition : definitions) {
    if (!isVisibleAtRunTime(definition.kind)) continue;
    const HWND container =
        definition.container == form1Definition().name ? hwnd() : control(definition.container);
    controls_.push_back({&definition, createControl(definition, container, id++)});
  }
}

HWND Win32MainWindow::createControl(const ControlDefinition& definition, HWND container, int id) {
  const std::wstring text(definition.text);
  const auto menuId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
  switch (definition.kind) {
    case ControlKind::Frame:
      ownControls_.push_back(
          std::make_unique<FrameControl>(container, id, text, definition.background));
      return ownControls_.back()->hwnd();
    case ControlKind::PictureBox: {
      auto box = std::make_unique<PictureBoxControl>(container, id, definition.background);
      picture1_ = box.get();
      ownControls_.push_back(std::move(box));
      return ownControls_.back()->hwnd();
    }
    case ControlKind::PushButton:
      ownControls_.push_back(std::make_unique<PushButtonControl>(
          container, id, text, definition.background, definition.foreground));
      return ownControls_.back()->hwnd();
    default:
      break;
  }
  const wchar_t* className = L"STATIC";
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD exStyle = 0;
  if (definition.kind == ControlKind::CheckBox) {
    className = L"BUTTON";
    style |= BS_3STATE | WS_TABSTOP;
  } else if (definition.kind == ControlKind::TextBox) {
    className = L"EDIT";
    style |= ES_AUTOHSCROLL | WS_TABSTOP;
    exStyle = WS_EX_CLIENTEDGE;
  } else {
    style |= SS_LEFT | SS_NOPREFIX;
  }
  HWND created = ::CreateWindowExW(exStyle, className, text.c_str(), style, 0, 0, 0, 0, container,
                                   menuId, programInstance(), nullptr);
  if (!created)
    throwLastError(L"The control " + std::wstring(definition.name) + L" could not be created.");
  return created;
}

void Win32MainWindow::createFonts(int dpi) {
  windowFont_ = createFont(form1Definition().font, dpi);
  for (const Control& c : controls_) {
    if (c.definition->font) buttonFont_ = createFont(*c.definition->font, dpi);
  }
}

void Win32MainWindow::layout(int dpi, const RECT* suggested) {
  createFonts(dpi);
  const WindowDefinition& form = form1Definition();
  const RECT frame = windowRectForClient(twipsToPixels(form.clientWidth, dpi),
                                         twipsToPixels(form.clientHeight, dpi), dpi);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  // Centred on the screen, by the whole window; after a DPI change, where the system suggests.
  const int x = suggested ? suggested->left : (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = suggested ? suggested->top : (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  ::SetWindowPos(hwnd(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  for (const Control& c : controls_) {
    const HFONT font = c.definition->font ? buttonFont_.get() : windowFont_.get();
    ::SendMessageW(c.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Rect r = pixelRect(*c.definition, dpi);
    // Labels are sized to their text, so they never cut it off, whatever the font.
    if (c.definition->kind == ControlKind::Label) r.right = r.left + textWidth(c.hwnd, font);
    ::SetWindowPos(c.hwnd, nullptr, r.left, r.top, r.width(), r.height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(c.hwnd, nullptr, TRUE);
  }
}

void Win32MainWindow::showFirstTime() {
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  ::UpdateWindow(hwnd());
  ::SetFocus(control(L"Text1"));
}

HWND Win32MainWindow::control(std::wstring_view name) const {
  for (const Control& c : controls_) {
    if (c.definition->name == name) return c.hwnd;
  }
  throw Failure(L"The main window has no control named " + std::wstring(name) + L".");
}

bool Win32MainWindow::navigate(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
  if (message.hwnd != hwnd() && !::IsChild(hwnd(), message.hwnd)) return false;
  std::vector<const Control*> stops;
  for (const Control& c : controls_) {
    if (c.definition->tabIndex >= 0 && (::GetWindowLongW(c.hwnd, GWL_STYLE) & WS_TABSTOP) &&
        ::IsWindowVisible(c.hwnd) && ::IsWindowEnabled(c.hwnd)) {
      stops.push_back(&c);
    }
  }
  if (stops.empty()) return true;
  std::sort(stops.begin(), stops.end(), [](const Control* a, const Control* b) {
    return a->definition->tabIndex < b->definition->tabIndex;
  });
  const HWND focus = ::GetFocus();
  auto current =
      std::find_if(stops.begin(), stops.end(), [&](const Control* c) { return c->hwnd == focus; });
  const bool backwards = ::GetKeyState(VK_SHIFT) < 0;
  std::size_t next = 0;
  if (current != stops.end()) {
    const auto at = static_cast<std::size_t>(current - stops.begin());
    next = backwards ? (at + stops.size() - 1) % stops.size() : (at + 1) % stops.size();
  }
  ::SetFocus(stops[next]->hwnd);
  return true;
}

std::wstring Win32MainWindow::textOf(std::wstring_view name) const {
  const HWND window = control(name);
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(window)) + 1, L'\0');
  const int length = ::GetWindowTextW(window, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(length, 0)));
  return text;
}

int Win32MainWindow::check1Value() {
  const LRESULT state = ::SendMessageW(control(L"Check1"), BM_GETCHECK, 0, 0);
  return state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
}

std::wstring Win32MainWindow::text1Text() { return textOf(L"Text1"); }
Colour Win32MainWindow::picture1BackColor() { return picture1_->backColor(); }
std::wstring Win32MainWindow::label1Caption() { return textOf(L"Label1"); }
std::wstring Win32MainWindow::label2Caption() { return textOf(L"Label2"); }

void Win32MainWindow::minimise() { ::ShowWindow(hwnd(), SW_MINIMIZE); }

void Win32MainWindow::restoreNormal() {
  if (::IsIconic(hwnd()) || ::IsZoomed(hwnd())) ::ShowWindow(hwnd(), SW_RESTORE);
}

LRESULT Win32MainWindow::colourFor(UINT message, HWND child, HDC dc) {
  for (const Control& c : controls_) {
    if (c.hwnd != child) continue;
    if (c.definition->kind == ControlKind::TextBox) break;
    ::SetBkColor(dc, toColorRef(c.definition->background));
    ::SetTextColor(dc, toColorRef(c.definition->foreground));
    // Transparent labels sit on a white frame, so white serves as their background.
    return reinterpret_cast<LRESULT>(background_.get());
  }
  return defaultHandling(message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
}

void Win32MainWindow::onCommand(WPARAM wParam, LPARAM lParam) {
  const HWND from = reinterpret_cast<HWND>(lParam);
  if (HIWORD(wParam) != BN_CLICKED || !handlers_) return;
  if (from == control(L"PushButton2")) {
    handlers_->PushButton2_Click();
  } else if (from == control(L"Check1")) {
    // A click toggles between clear and ticked; the dimmed state goes to clear.
    const LRESULT state = ::SendMessageW(from, BM_GETCHECK, 0, 0);
    ::SendMessageW(from, BM_SETCHECK, state == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

LRESULT Win32MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client{};
      ::GetClientRect(hwnd(), &client);
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, background_.get());
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      return colourFor(message, reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:
      onCommand(wParam, lParam);
      return 0;
    case WM_DPICHANGED:
      layout(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return defaultHandling(message, wParam, lParam);
  }
}

}  // namespace qo::win32
