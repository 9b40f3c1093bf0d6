#include "platform/win32/main_window_win32.h"

#include <algorithm>
#include <cmath>

#include <windowsx.h>

#include "base/error_report.h"
#include "base/failure.h"
#include "base/settings_store.h"
#include "platform/win32/overlay_window_win32.h"
#include "platform/win32/cursor_file_win32.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/skin_framework_win32.h"
#include "platform/win32/system_library.h"
#include "platform/win32/win32_error.h"
#include "platform/win32/resources/resource_ids.h"

namespace qo::win32 {

namespace {

constexpr wchar_t kMainClass[] = L"QuillmarkOrvaneMain";
constexpr DWORD kMainStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kFirstControlId = 100;
// Posted on EN_KILLFOCUS: the lost-focus handler runs once the focus has moved,
// so a message box it shows does not interrupt the change of focus.
constexpr UINT kReportLostFocus = WM_APP + 1;

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
  const std::wstring text = windowText(control);
  WindowDc dc(control);
  SelectedObject selected(dc.get(), font);
  SIZE extent{};
  ::GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &extent);
  return extent.cx;
}

RECT windowRectForClient(int width, int height, int dpi) {
  RECT r{0, 0, width, height};
  using AdjustForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
  const auto adjustForDpi = user32Function<AdjustForDpiFn>("AdjustWindowRectExForDpi");
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

Win32MainWindow::Win32MainWindow(const WindowDefinition& definition)
    : WindowBase(uncaughtErrorReport(definition.name)),
      definition_(definition),
      backColour_(definition.background) {
  registerClass(kMainClass, 0, ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
  const std::wstring caption(definition.caption);
  createWindow(WS_EX_CONTROLPARENT, kMainClass, caption.c_str(), kMainStyle, CW_USEDEFAULT,
               CW_USEDEFAULT, 0, 0, nullptr, nullptr);
  dialogs_.setOwner(hwnd());
  const HICON designIcon = static_cast<HICON>(::LoadImageW(
      programInstance(), MAKEINTRESOURCEW(IDI_FORM1_DESIGN_ICON), IMAGE_ICON, 32, 32, LR_SHARED));
  if (designIcon)
    ::SendMessageW(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(designIcon));
  buildControls();
  nameByLabels();
  layoutCentred();
}

void Win32MainWindow::buildControls() {
  controls_.reserve(definition_.controls.size());
  for (const ControlDefinition& definition : definition_.controls) {
    controls_.push_back({&definition, nullptr, nullptr, definition.background, ColourBrush()});
  }
  int id = kFirstControlId;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (!isVisibleAtRunTime(controls_[i].definition->kind)) continue;
    const std::size_t container = containerIndex(definition_, i);
    controls_[i].hwnd =
        createControl(i, container == kTheWindow ? hwnd() : controls_[container].hwnd, id++);
  }
}

HWND Win32MainWindow::createControl(std::size_t index, HWND container, int id) {
  Control& c = controls_[index];
  const ControlDefinition& definition = *c.definition;
  const std::wstring text(definition.text);
  std::unique_ptr<OwnControl> own;
  switch (definition.kind) {
    case ControlKind::Frame:
      own = std::make_unique<FrameControl>(container, id, text);
      break;
    case ControlKind::PictureBox:
      own = std::make_unique<PictureBoxControl>(container, id);
      break;
    case ControlKind::PushButton:
      own = std::make_unique<PushButtonControl>(container, id, text);
      break;
    default:
      return createSystemControl(definition, container, id);
  }
  own->setMouseMoveSink(
      [this, index](WPARAM keys, LPARAM position) { reportMouseMove(index, keys, position); });
  c.own = own.get();
  ownControls_.push_back(std::move(own));
  return c.own->hwnd();
}

HWND Win32MainWindow::createSystemControl(const ControlDefinition& definition, HWND container,
                                          int id) {
  const wchar_t* className = L"STATIC";
  DWORD style = WS_CHILD | WS_VISIBLE;
  DWORD exStyle = 0;
  if (definition.kind == ControlKind::CheckBox) {
    className = L"BUTTON";
    style |= BS_3STATE | WS_TABSTOP;
  } else if (definition.kind == ControlKind::TextBox) {
    // At most kLongestText characters, all of which the settings store reads back.
    className = L"EDIT";
    style |= ES_AUTOHSCROLL | WS_TABSTOP;
    exStyle = WS_EX_CLIENTEDGE;
  } else {
    style |= SS_LEFT | SS_NOPREFIX;
  }
  const std::wstring text(definition.text);
  ::SetLastError(0);
  HWND created = ::CreateWindowExW(exStyle, className, text.c_str(), style, 0, 0, 0, 0, container,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   programInstance(), nullptr);
  if (!created) {
    throwLastError(L"The control " + std::wstring(definition.name) + L" could not be created.");
  }
  if (definition.kind == ControlKind::TextBox) {
    ::SendMessageW(created, EM_LIMITTEXT, kLongestText, 0);
  }
  return created;
}

// The visible control that a label names: the nearest to its right on the same
// line of the same container, or nullptr.
const Win32MainWindow::Control* Win32MainWindow::labelledBy(const Control& label) const {
  const ControlDefinition& l = *label.definition;
  const Control* nearest = nullptr;
  for (const Control& c : controls_) {
    const ControlDefinition& d = *c.definition;
    const bool sameLine = d.top < l.top + l.height && l.top < d.top + d.height;
    if (!c.hwnd || d.kind == ControlKind::Label || d.container != l.container || !sameLine ||
        d.left < l.left + l.width || (nearest && nearest->definition->left <= d.left)) {
      continue;
    }
    nearest = &c;
  }
  return nearest;
}

// A screen reader names an edit by the label right before it in the window order:
// each label goes right before the control it names, and our own controls with no
// text of their own answer with the label's.
void Win32MainWindow::nameByLabels() {
  for (const Control& label : controls_) {
    if (label.definition->kind != ControlKind::Label) continue;
    const Control* named = labelledBy(label);
    if (!named) continue;
    const HWND before = ::GetWindow(named->hwnd, GW_HWNDPREV);
    if (before != label.hwnd) {
      ::SetWindowPos(label.hwnd, before ? before : HWND_TOP, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    if (named->own && named->definition->text.empty()) {
      named->own->setAccessibleName(windowText(label.hwnd));
    }
  }
}

void Win32MainWindow::createFonts(int dpi) {
  windowFont_ = createFont(definition_.font, dpi);
  for (const Control& c : controls_) {
    if (c.definition->font) buttonFont_ = createFont(*c.definition->font, dpi);
  }
}

// The window opens centred.  When centring moves it into a monitor of another DPI,
// the window's DPI after the move decides, and it is laid out and centred once more.
void Win32MainWindow::layoutCentred() {
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int dpi = dpiOf(hwnd());
    layout(dpi, nullptr);
    if (dpiOf(hwnd()) == dpi) return;
  }
}

void Win32MainWindow::layout(int dpi, const RECT* suggested) {
  const unsigned call = ++layouts_;
  placeWindow(dpi, suggested);
  // A move into another DPI lays the window out again from within it (WM_DPICHANGED):
  // that layout stands, and this one, for the DPI left behind, goes no further.
  if (call != layouts_) return;
  createFonts(dpi);
  placeControls(dpi);
}

SIZE Win32MainWindow::windowSize(int dpi) const {
  const RECT frame = windowRectForClient(twipsToPixels(definition_.clientWidth, dpi),
                                         twipsToPixels(definition_.clientHeight, dpi), dpi);
  return {frame.right - frame.left, frame.bottom - frame.top};
}

void Win32MainWindow::placeWindow(int dpi, const RECT* suggested) {
  const auto [width, height] = windowSize(dpi);
  // Centred on the screen, by the whole window; after a DPI change, where the system
  // suggests (a rectangle of our own size: WM_GETDPISCALEDSIZE).
  const int x = suggested ? suggested->left : (::GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = suggested ? suggested->top : (::GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  ::SetWindowPos(hwnd(), nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32MainWindow::placeControls(int dpi) {
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
  report(kTheWindow, ControlEvent::Load);
  // Focus cues start hidden after a start by mouse, unless the user always wants them.
  ::SendMessageW(hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS), 0);
  ::ShowWindow(hwnd(), SW_SHOWNORMAL);
  ::UpdateWindow(hwnd());
  for (const Control& c : controls_) {
    if (c.definition->tabIndex == 0) ::SetFocus(c.hwnd);
  }
}

std::size_t Win32MainWindow::find(HWND window) const {
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    if (controls_[i].hwnd && controls_[i].hwnd == window) return i;
  }
  return kTheWindow;
}

Win32MainWindow::Control& Win32MainWindow::at(std::size_t index) {
  if (index >= controls_.size() || !controls_[index].hwnd) {
    throw Failure(kNotSupported);
  }
  return controls_[index];
}

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
  // As in a dialog, moving with the keyboard shows where the focus is from then on.
  ::SendMessageW(hwnd(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
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

void Win32MainWindow::showText(std::size_t control, const std::wstring& text) {
  ::SetLastError(0);
  if (!::SetWindowTextW(at(control).hwnd, text.c_str())) {
    throwLastError(L"The text of " + std::wstring(controls_[control].definition->name) +
                   L" could not be set.");
  }
}

void Win32MainWindow::select(std::size_t control, std::size_t start, std::size_t length) {
  ::SendMessageW(at(control).hwnd, EM_SETSEL, start, start + length);
}

void Win32MainWindow::showCheck(std::size_t control, int value) {
  ::SendMessageW(at(control).hwnd, BM_SETCHECK, checkState(value), 0);
}

void Win32MainWindow::showBackColour(std::size_t control, Colour colour) {
  Control& c = at(control);
  c.backColour = colour;
  // Every control asks for its colour again as it paints; ours erase nothing.
  ::InvalidateRect(c.hwnd, nullptr, c.own ? FALSE : TRUE);
}

void Win32MainWindow::showCaption(const std::wstring& caption) {
  ::SetLastError(0);
  if (!::SetWindowTextW(hwnd(), caption.c_str())) {
    throwLastError(L"The window's caption could not be set.");
  }
}

void Win32MainWindow::showWindowBackColour(Colour colour) {
  ::SetLastError(0);
  if (!background_.of(toColorRef(paintColoursNow(colour, kButtonText).background))) {
    throwLastError(L"The window's background could not be set.");
  }
  backColour_ = colour;
  ::InvalidateRect(hwnd(), nullptr, TRUE);
}

void Win32MainWindow::loadPointerImage(const std::wstring& path) {
  mouseIcon_ = loadCursorFile(path);
}

// Windows asks for the pointer before it delivers a move, so a setting changed
// while a move is handled would show only at the next one: it is asked again now.
void Win32MainWindow::showPointer(int pointer) {
  if (pointer == mousePointer_) return;
  mousePointer_ = pointer;
  POINT at{};
  if (!::GetCursorPos(&at)) return;
  const HWND under = ::WindowFromPoint(at);
  if (under != hwnd() && !::IsChild(hwnd(), under)) return;
  const LRESULT hit = ::SendMessageW(under, WM_NCHITTEST, 0, MAKELPARAM(at.x, at.y));
  ::SendMessageW(under, WM_SETCURSOR, reinterpret_cast<WPARAM>(under),
                 MAKELPARAM(static_cast<WORD>(hit), WM_MOUSEMOVE));
}

void Win32MainWindow::showNormal() {
  if (::IsIconic(hwnd()) || ::IsZoomed(hwnd())) ::ShowWindow(hwnd(), SW_RESTORE);
}

std::int32_t Win32MainWindow::nativeHandle() {
  return static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(hwnd()));
}

DispatchObject& Win32MainWindow::skinComponent() {
  // Made when a skin is first used: without one, OLE automation is never loaded.
  if (!skinFramework_) skinFramework_ = createSkinFramework();
  return *skinFramework_;
}

HBRUSH Win32MainWindow::ColourBrush::of(COLORREF wanted) {
  if (!brush || colour != wanted) {
    brush.reset(::CreateSolidBrush(wanted));
    colour = wanted;
  }
  return brush.get();
}

HBRUSH Win32MainWindow::windowBrush() {
  return background_.of(toColorRef(paintColoursNow(backColour_, kButtonText).background));
}

// Colours are looked up as we paint, so a change of scheme or of high contrast
// needs everything drawn again; the system's controls are told as well.
void Win32MainWindow::followScheme() {
  forgetHighContrast();
  for (const Control& c : controls_) {
    if (c.hwnd && !c.own) ::SendMessageW(c.hwnd, WM_SYSCOLORCHANGE, 0, 0);
  }
  ::RedrawWindow(hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}

LRESULT Win32MainWindow::colourFor(UINT message, HWND child, HDC dc) {
  const std::size_t index = find(child);
  if (index == kTheWindow) {
    return defaultHandling(message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
  }
  Control& c = controls_[index];
  // A picture box shows the line's colour as it is, under high contrast too.
  const PaintColours paint = c.definition->kind == ControlKind::PictureBox
                                 ? PaintColours{c.backColour, c.definition->foreground}
                                 : paintColoursNow(c.backColour, c.definition->foreground);
  ::SetBkColor(dc, toColorRef(paint.background));
  ::SetTextColor(dc, toColorRef(paint.text));
  return reinterpret_cast<LRESULT>(c.brush.of(toColorRef(paint.background)));
}

void Win32MainWindow::onCommand(WPARAM wParam, LPARAM lParam) {
  const HWND from = reinterpret_cast<HWND>(lParam);
  const std::size_t index = find(from);
  if (index == kTheWindow) return;
  const WORD code = HIWORD(wParam);
  if (controls_[index].definition->kind == ControlKind::TextBox) {
    if (code == EN_CHANGE && input_) input_->textEdited(index, windowText(from));
    if (code == EN_SETFOCUS) report(index, ControlEvent::GotFocus);
    if (code == EN_KILLFOCUS) ::PostMessageW(hwnd(), kReportLostFocus, index, 0);
  } else if (code == BN_CLICKED) {
    report(index, ControlEvent::Click);
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
void Win32MainWindow::reportLostFocus(std::size_t index) {
  if (index >= controls_.size()) return;
  const HWND focus = ::GetFocus();
  if (focus == controls_[index].hwnd || !::IsChild(hwnd(), focus)) return;
  report(index, ControlEvent::LostFocus);
}

// A failure that a handler lets through is reported where every message enters
// our code (WindowBase), as for every other window.
void Win32MainWindow::report(std::size_t control, ControlEvent event, const MouseArgs& mouse) {
  if (input_) input_->userDid(control, event, mouse);
}

void Win32MainWindow::reportMouseMove(std::size_t control, WPARAM keys, LPARAM position) {
  const double twipsPerPixel = 1440.0 / dpiOf(hwnd());
  report(control, ControlEvent::MouseMove,
         {buttonsHeld(keys), shiftState(keys),
          static_cast<float>(GET_X_LPARAM(position) * twipsPerPixel),
          static_cast<float>(GET_Y_LPARAM(position) * twipsPerPixel)});
}

LRESULT Win32MainWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client{};
      ::GetClientRect(hwnd(), &client);
      ::FillRect(reinterpret_cast<HDC>(wParam), &client, windowBrush());
      return 1;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
      return colourFor(message, reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
    case WM_COMMAND:
      onCommand(wParam, lParam);
      return 0;
    case kReportLostFocus:
      reportLostFocus(wParam);
      return 0;
    case WM_ACTIVATE:
      onActivate(wParam, lParam);
      return 0;
    case WM_MOUSEMOVE:
      reportMouseMove(kTheWindow, wParam, lParam);
      return 0;
    case WM_SETCURSOR:
      if (onSetCursor(lParam)) return TRUE;
      return defaultHandling(message, wParam, lParam);
    case WM_SYSCOLORCHANGE:
      followScheme();
      return 0;
    case WM_SETTINGCHANGE:
      if (wParam == SPI_SETHIGHCONTRAST) followScheme();
      return defaultHandling(message, wParam, lParam);
    case WM_GETDPISCALEDSIZE:
      // Scaled by the system, the size could differ from ours by a pixel or two, and
      // near a monitor's edge make the window go back and forth between two DPIs.
      *reinterpret_cast<SIZE*>(lParam) = windowSize(static_cast<int>(wParam));
      return TRUE;
    case WM_DPICHANGED:
      layout(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_CLOSE:
      report(kTheWindow, ControlEvent::Unload);
      return defaultHandling(message, wParam, lParam);
    case WM_DESTROY:
      ::PostQuitMessage(0);
      return 0;
    default:
      return defaultHandling(message, wParam, lParam);
  }
}

}  // namespace qo::win32
