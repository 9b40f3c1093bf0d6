#include "platform/win32/main_window_win32.h"

#include <algorithm>
#include <cmath>

#include <windowsx.h>

#include "base/error_report.h"
#include "base/failure.h"
#include "platform/win32/overlay_window_win32.h"
#include "platform/win32/cursor_file_win32.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/skin_framework_win32.h"
#include "platform/win32/win32_error.h"
#include "ui/resource_ids.h"

namespace qo::win32 {

namespace {

constexpr wchar_t kMainClass[] = L"QuillmarkOrvaneMain";
constexpr DWORD kMainStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kFirstControlId = 100;
// Posted on EN_KILLFOCUS: the lost-focus handler runs once the focus has moved,
// so a message box it shows does not interrupt the change of focus.
constexpr UINT kRaiseLostFocus = WM_APP + 1;

UniqueFont createFont(const FontDefinition& font, int dpi) {
  LOGFONTW logFont{};
  logFont.lfHeight = -static_cast<LONG>(std::lround(font.points * dpi / 72.0));
  logFont.lfWeight = font.weight;
  logFont.lfCharSet = static_cast<BYTE>(font.charset);
  logFont.lfQuality = DEFAULT_QUALITY;
  font.face.copy(logFont.lfFaceName, std::min<std::size_t>(font.face.size(), LF_FACESIZE - 1));
  ::SetLastError(0);
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

int checkState(int value) {
  return value == 1 ? BST_CHECKED : value == 2 ? BST_INDETERMINATE : BST_UNCHECKED;
}

}  // namespace

Win32MainWindow::Win32MainWindow()
    : backColour_(form1Definition().background),
      background_(::CreateSolidBrush(toColorRef(backColour_))) {
  registerClass(kMainClass, 0, ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
  const WindowDefinition& form = form1Definition();
  const std::wstring caption(form.caption);
  createWindow(WS_EX_CONTROLPARENT, kMainClass, caption.c_str(), kMainStyle, CW_USEDEFAULT,
               CW_USEDEFAULT, 0, 0, nullptr, nullptr);
  dialogs_.setOwner(hwnd());
  const HICON designIcon = static_cast<HICON>(::LoadImageW(
      programInstance(), MAKEINTRESOURCEW(IDI_FORM1_DESIGN_ICON), IMAGE_ICON, 32, 32, LR_SHARED));
  if (designIcon)
    ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(designIcon));
  buildControls();
  layout(dpiOf(hwnd()), nullptr);
}

Win32MainWindow::~Win32MainWindow() {
  events_ = nullptr;
  if (hwnd()) ::DestroyWindow(hwnd());
}

void Win32MainWindow::buildControls() {
  const auto definitions = form1Definition().controls;
  controls_.reserve(definitions.size());
  for (const ControlDefinition& definition : definitions) {
    controls_.push_back({&definition, nullptr, nullptr, definition.background, UniqueBrush()});
  }
  int id = kFirstControlId;
  for (Control& c : controls_) {
    if (!isVisibleAtRunTime(c.definition->kind)) continue;
    const HWND container = c.definition->container == form1Definition().name
                               ? hwnd()
                               : named(c.definition->container).hwnd;
    c.hwnd = createControl(c, container, id++);
  }
}

HWND Win32MainWindow::createControl(Control& c, HWND container, int id) {
  const ControlDefinition& definition = *c.definition;
  const std::wstring text(definition.text);
  const auto menuId = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
  const std::wstring name(definition.name);
  std::unique_ptr<OwnControl> own;
  switch (definition.kind) {
    case ControlKind::Frame:
      own = std::make_unique<FrameControl>(container, id, text, definition.background);
      break;
    case ControlKind::PictureBox:
      own = std::make_unique<PictureBoxControl>(container, id, definition.background);
      break;
    case ControlKind::PushButton:
      own = std::make_unique<PushButtonControl>(container, id, text, definition.background,
                                                definition.foreground);
      break;
    default:
      break;
  }
  if (own) {
    own->setMouseMoveSink([this, name](WPARAM keys, LPARAM position) {
      raiseMouseMove(name, keys, position);
    });
    c.own = own.get();
    ownControls_.push_back(std::move(own));
    return c.own->hwnd();
  }
  const wchar_t* className = L"STATIC";
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD exStyle = 0;
  if (definition.kind == ControlKind::CheckBox) {
    className = L"BUTTON";
    style |= BS_3STATE | WS_TABSTOP;
  } else if (definition.kind == ControlKind::TextBox) {
    // At most 32,767 characters, all of which the settings store reads back.
    className = L"EDIT";
    style |= ES_AUTOHSCROLL | WS_TABSTOP;
    exStyle = WS_EX_CLIENTEDGE;
  } else {
    style |= SS_LEFT | SS_NOPREFIX;
  }
  ::SetLastError(0);
  HWND created = ::CreateWindowExW(exStyle, className, text.c_str(), style, 0, 0, 0, 0, container,
                                   menuId, programInstance(), nullptr);
  if (!created) throwLastError(L"The control " + name + L" could not be created.");
  if (definition.kind == ControlKind::TextBox) ::SendMessageW(created, EM_LIMITTEXT, 32767, 0);
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
    if (!c.hwnd) continue;
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
  raise(form1Definition().name, ControlEvent::Load);
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  ::UpdateWindow(hwnd());
  ::SetFocus(control(L"Text1"));
}

Win32MainWindow::Control* Win32MainWindow::find(HWND window) {
  for (Control& c : controls_) {
    if (c.hwnd && c.hwnd == window) return &c;
  }
  return nullptr;
}

Win32MainWindow::Control& Win32MainWindow::named(std::wstring_view name) {
  for (Control& c : controls_) {
    if (c.definition->name == name) return c;
  }
  throw Failure(L"The main window has no control named " + std::wstring(name) + L".");
}

const Win32MainWindow::Control& Win32MainWindow::named(std::wstring_view name) const {
  return const_cast<Win32MainWindow*>(this)->named(name);
}

HWND Win32MainWindow::control(std::wstring_view name) const { return named(name).hwnd; }

bool Win32MainWindow::navigate(const MSG& message) {
  if (message.message != WM_KEYDOWN || message.wParam != VK_TAB) return false;
  if (message.hwnd != hwnd() && !::IsChild(hwnd(), message.hwnd)) return false;
  std::vector<const Control*> stops;
  for (const Control& c : controls_) {
    if (c.hwnd && c.definition->tabIndex >= 0 &&
        (::GetWindowLongW(c.hwnd, GWL_STYLE) & WS_TABSTOP) && ::IsWindowVisible(c.hwnd) &&
        ::IsWindowEnabled(c.hwnd)) {
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

std::wstring Win32MainWindow::text1Text() { return textOf(L"Text1"); }

void Win32MainWindow::setText1Text(const std::wstring& text) {
  // WM_SETTEXT brings EN_CHANGE even for the same text; the change event is for a change.
  if (text == text1Text()) return;
  ::SetLastError(0);
  if (!::SetWindowTextW(control(L"Text1"), text.c_str())) {
    throwLastError(L"The thickness box's text could not be set.");
  }
}

void Win32MainWindow::selectText1(std::size_t start, std::size_t length) {
  ::SendMessageW(control(L"Text1"), EM_SETSEL, start, start + length);
}

int Win32MainWindow::check1Value() {
  const LRESULT state = ::SendMessageW(control(L"Check1"), BM_GETCHECK, 0, 0);
  return state == BST_CHECKED ? 1 : state == BST_INDETERMINATE ? 2 : 0;
}

void Win32MainWindow::setCheck1Value(int value) {
  if (value < 0 || value > 2) throw Failure(L"Invalid property value");
  if (value == check1Value()) return;
  // BM_SETCHECK notifies nobody, so the click event is raised here.
  ::SendMessageW(control(L"Check1"), BM_SETCHECK, checkState(value), 0);
  raise(L"Check1", ControlEvent::Click);
}

Colour Win32MainWindow::picture1BackColor() { return named(L"Picture1").backColour; }

void Win32MainWindow::setPicture1BackColor(Colour colour) {
  setControlBackColor(static_cast<std::size_t>(&named(L"Picture1") - controls_.data()), colour);
}

std::wstring Win32MainWindow::label1Caption() { return textOf(L"Label1"); }
std::wstring Win32MainWindow::label2Caption() { return textOf(L"Label2"); }

std::wstring Win32MainWindow::caption() {
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(hwnd())) + 1, L'\0');
  const int length = ::GetWindowTextW(hwnd(), text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<std::size_t>(std::max(length, 0)));
  return text;
}

void Win32MainWindow::setCaption(const std::wstring& caption) {
  ::SetLastError(0);
  if (!::SetWindowTextW(hwnd(), caption.c_str())) {
    throwLastError(L"The window's caption could not be set.");
  }
}

void Win32MainWindow::setApplicationIcon() { setApplicationIcons(hwnd()); }

void Win32MainWindow::loadMouseIcon(const std::wstring& path) {
  mouseIcon_ = loadCursorFile(path);
}

void Win32MainWindow::minimise() { ::ShowWindow(hwnd(), SW_MINIMIZE); }

void Win32MainWindow::restoreNormal() {
  if (::IsIconic(hwnd()) || ::IsZoomed(hwnd())) ::ShowWindow(hwnd(), SW_RESTORE);
}

std::vector<ControlKind> Win32MainWindow::controlKinds() {
  std::vector<ControlKind> kinds;
  for (const Control& c : controls_) kinds.push_back(c.definition->kind);
  return kinds;
}

void Win32MainWindow::setControlBackColor(std::size_t index, Colour colour) {
  if (index >= controls_.size() || !controls_[index].hwnd) {
    throw Failure(L"Object doesn't support this property or method");
  }
  Control& c = controls_[index];
  c.backColour = colour;
  c.brush.reset();
  if (c.own) {
    c.own->setBackColor(colour);
  } else {
    ::InvalidateRect(c.hwnd, nullptr, TRUE);  // a system control asks for its colour again
  }
}

void Win32MainWindow::setBackColor(Colour colour) {
  ::SetLastError(0);
  UniqueBrush brush(::CreateSolidBrush(toColorRef(colour)));
  if (!brush) throwLastError(L"The window's background could not be set.");
  backColour_ = colour;
  background_ = std::move(brush);
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

std::int32_t Win32MainWindow::windowHandle() {
  return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(hwnd()));
}

DispatchObject& Win32MainWindow::skinFramework() {
  // Made when a skin is first used: without one, OLE automation is never loaded.
  if (!skinFramework_) skinFramework_ = createSkinFramework();
  return *skinFramework_;
}

HBRUSH Win32MainWindow::brushOf(Control& c) {
  if (!c.brush) c.brush.reset(::CreateSolidBrush(toColorRef(c.backColour)));
  return c.brush.get();
}

LRESULT Win32MainWindow::colourFor(UINT message, HWND child, HDC dc) {
  Control* c = find(child);
  if (!c) {
    return defaultHandling(message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
  }
  // A transparent label shows its container's colour.
  Control& painted = c->definition->transparent ? named(c->definition->container) : *c;
  ::SetBkColor(dc, toColorRef(painted.backColour));
  ::SetTextColor(dc, toColorRef(c->definition->foreground));
  return reinterpret_cast<LRESULT>(brushOf(painted));
}

void Win32MainWindow::onCommand(WPARAM wParam, LPARAM lParam) {
  Control* from = find(reinterpret_cast<HWND>(lParam));
  if (!from) return;
  const std::wstring_view name = from->definition->name;
  const WORD code = HIWORD(wParam);
  switch (from->definition->kind) {
    case ControlKind::TextBox:
      if (code == EN_CHANGE) raise(name, ControlEvent::Change);
      if (code == EN_SETFOCUS) raise(name, ControlEvent::GotFocus);
      if (code == EN_KILLFOCUS) {
        ::PostMessageW(hwnd(), kRaiseLostFocus, static_cast<WPARAM>(from - controls_.data()), 0);
      }
      return;
    case ControlKind::CheckBox:
      // A click ticks a clear box and clears a ticked or dimmed one.
      if (code == BN_CLICKED) setCheck1Value(check1Value() == 0 ? 1 : 0);
      return;
    default:
      if (code == BN_CLICKED) raise(name, ControlEvent::Click);
      return;
  }
}

bool Win32MainWindow::onSetCursor(LPARAM lParam) {
  if (mousePointer_ != kCustomPointer || LOWORD(lParam) != HTCLIENT) return false;
  // Over the window and all its controls alike; without an image, the ordinary pointer.
  ::SetCursor(mouseIcon_ ? mouseIcon_.get() : ::LoadCursorW(nullptr, IDC_ARROW));
  return true;
}

// Like a form, the window gives the focus back to the control that had it when
// it was deactivated (a message box, another program), not to itself.
void Win32MainWindow::onActivate(WPARAM wParam, LPARAM lParam) {
  if (LOWORD(wParam) == WA_INACTIVE) {
    const HWND focus = ::GetFocus();
    lastFocus_ = ::IsChild(hwnd(), focus) ? focus : lastFocus_;
  } else if (lastFocus_ && ::IsChild(hwnd(), lastFocus_) && !::IsIconic(hwnd())) {
    ::SetFocus(lastFocus_);
    return;
  }
  defaultHandling(WM_ACTIVATE, wParam, lParam);
}

// A control loses the focus, as its handler sees it, only to another control of
// this window: not while the program is merely deactivated.
void Win32MainWindow::raiseLostFocus(std::size_t index) {
  if (index >= controls_.size()) return;
  const HWND focus = ::GetFocus();
  if (focus == controls_[index].hwnd || !::IsChild(hwnd(), focus)) return;
  raise(controls_[index].definition->name, ControlEvent::LostFocus);
}

void Win32MainWindow::raise(std::wstring_view control, ControlEvent event, const MouseArgs& mouse) {
  // A failure that a handler lets through is reported where every message enters
  // our code (WindowBase), as for every other window.
  if (events_) raiseEvent(*events_, control, event, mouse);
}

void Win32MainWindow::raiseMouseMove(std::wstring_view control, WPARAM keys, LPARAM position) {
  const double twipsPerPixel = 1440.0 / dpiOf(hwnd());
  raise(control, ControlEvent::MouseMove,
        {buttonsHeld(keys), shiftState(keys),
         static_cast<float>(GET_X_LPARAM(position) * twipsPerPixel),
         static_cast<float>(GET_Y_LPARAM(position) * twipsPerPixel)});
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
    case WM_CTLCOLOREDIT:
      return colourFor(message, reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:
      onCommand(wParam, lParam);
      return 0;
    case kRaiseLostFocus:
      raiseLostFocus(wParam);
      return 0;
    case WM_ACTIVATE:
      onActivate(wParam, lParam);
      return 0;
    case WM_MOUSEMOVE:
      raiseMouseMove(form1Definition().name, wParam, lParam);
      return 0;
    case WM_SETCURSOR:
      if (onSetCursor(lParam)) return TRUE;
      return defaultHandling(message, wParam, lParam);
    case WM_DPICHANGED:
      layout(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE:
      raise(form1Definition().name, ControlEvent::Unload);
      return defaultHandling(message, wParam, lParam);
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return defaultHandling(message, wParam, lParam);
  }
}

}  // namespace qo::win32
