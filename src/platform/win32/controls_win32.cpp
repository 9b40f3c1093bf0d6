#include "platform/win32/controls_win32.h"

#include <utility>

#include <windowsx.h>
#include <oleacc.h>

#include "platform/win32/accessible_win32.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/skin_window_win32.h"

namespace qo::win32 {

namespace {

constexpr wchar_t kFrameClass[] = L"QuillmarkOrvaneFrame";
constexpr wchar_t kPictureBoxClass[] = L"QuillmarkOrvanePictureBox";
constexpr wchar_t kPushButtonClass[] = L"QuillmarkOrvanePushButton";

void fillWith(HDC dc, const RECT& area, COLORREF colour) {
  UniqueBrush brush(::CreateSolidBrush(colour));
  ::FillRect(dc, &area, brush.get());
}

bool isNotification(UINT message) {
  return message == WM_COMMAND || message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN ||
         message == WM_CTLCOLOREDIT || message == WM_DRAWITEM;
}

// WM_SETFONT and WM_GETFONT for a control that draws its own text with a font it
// is given (and does not own).  True when the message was one of them.
bool handleFontMessage(HWND window, HFONT& font, UINT message, WPARAM wParam, LPARAM lParam,
                       LRESULT& result) {
  if (message == WM_SETFONT) {
    font = reinterpret_cast<HFONT>(wParam);
    if (LOWORD(lParam)) ::InvalidateRect(window, nullptr, FALSE);
    result = 0;
    return true;
  }
  if (message == WM_GETFONT) {
    result = reinterpret_cast<LRESULT>(font);
    return true;
  }
  return false;
}

// Whether the control is to show that it has the focus: it has it, and the
// window's keyboard cues are not hidden (hidden after a mouse start until the
// keyboard is used, unless the user asks Windows to show them always).
bool showsFocus(HWND control) {
  return ::GetFocus() == control &&
         (::SendMessageW(control, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS) == 0;
}

void drawFocus(HWND control, HDC dc, int insetAt96Dpi) {
  RECT focus{};
  ::GetClientRect(control, &focus);
  const int inset = ::MulDiv(insetAt96Dpi, dpiOf(control), 96);
  ::InflateRect(&focus, -inset, -inset);
  ::DrawFocusRect(dc, &focus);
}

void sendClicked(HWND control) {
  const int id = ::GetDlgCtrlID(control);
  ::SendMessageW(::GetParent(control), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
}

// Under a dialog manager, Enter is ours (it opens the chooser); Tab, Esc and the
// rest stay the dialog's.
bool wantsEnter(LPARAM lParam) {
  const auto* message = reinterpret_cast<const MSG*>(lParam);
  return message && message->message == WM_KEYDOWN && message->wParam == VK_RETURN;
}

}  // namespace

// What our focusable controls answer alike: they paint all their area themselves,
// again when the focus or the focus cues change, tell a screen reader their name,
// that they are push buttons and can be pressed, and click on BM_CLICK (which is
// how a reader presses them) unless a modal box or dialog holds the window.
bool OwnControl::focusableMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_UPDATEUISTATE:
      ::InvalidateRect(hwnd(), nullptr, FALSE);
      result = defaultHandling(message, wParam, lParam);
      return true;
    case WM_GETOBJECT:
      result =
          answerGetObject(hwnd(), wParam, lParam, {accessibleName_, ROLE_SYSTEM_PUSHBUTTON, true});
      return true;
    case BM_CLICK:
      if (::IsWindowEnabled(::GetAncestor(hwnd(), GA_ROOT))) sendClicked(hwnd());
      result = 0;
      return true;
    default:
      return false;
  }
}

std::pair<COLORREF, COLORREF> OwnControl::parentColours(HDC dc, UINT message) const {
  ::SendMessageW(::GetParent(hwnd()), message, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(hwnd()));
  return {::GetBkColor(dc), ::GetTextColor(dc)};
}

FrameControl::FrameControl(HWND parent, int id, const std::wstring& caption) {
  registerClass(kFrameClass, 0, ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
  createWindow(WS_EX_CONTROLPARENT, kFrameClass, caption.c_str(),
               WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void FrameControl::paint() {
  PaintDc paint(hwnd());
  HDC dc = paint.get();
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  const auto [parentBackground, parentText] = parentColours(dc, WM_CTLCOLORSTATIC);
  const COLORREF background = skinnedColour(hwnd(), SkinPart::FrameBackground, parentBackground);
  fillWith(dc, client, background);
  SelectedObject font(dc, font_ ? static_cast<HGDIOBJ>(font_) : ::GetStockObject(DEFAULT_GUI_FONT));
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  RECT border = client;
  border.top = metrics.tmHeight / 2;
  ::DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);
  const std::wstring caption = windowText(hwnd());
  if (caption.empty()) return;
  const int indent = ::MulDiv(6, dpiOf(hwnd()), 96);
  ::SetBkColor(dc, background);
  ::SetTextColor(dc, skinnedColour(hwnd(), SkinPart::FrameText, parentText));
  ::SetBkMode(dc, OPAQUE);
  ::TextOutW(dc, indent, 0, caption.c_str(), static_cast<int>(caption.size()));
}

LRESULT FrameControl::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (isNotification(message)) return ::SendMessageW(::GetParent(hwnd()), message, wParam, lParam);
  LRESULT result = 0;
  if (handleFontMessage(hwnd(), font_, message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_PAINT:
      paint();
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      mouseMoved(wParam, lParam);
      return 0;
    default:
      return defaultHandling(message, wParam, lParam);
  }
}

PictureBoxControl::PictureBoxControl(HWND parent, int id) {
  registerClass(kPictureBoxClass, 0, ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
  createWindow(WS_EX_CLIENTEDGE, kPictureBoxClass, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0,
               0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

LRESULT PictureBoxControl::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (message == WM_KILLFOCUS) spaceDown_ = false;  // a Space let go elsewhere is no click
  if (focusableMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_PAINT: {
      PaintDc paint(hwnd());
      RECT client{};
      ::GetClientRect(hwnd(), &client);
      fillWith(paint.get(), client, parentColours(paint.get(), WM_CTLCOLORSTATIC).first);
      if (showsFocus(hwnd())) drawFocus(hwnd(), paint.get(), 2);
      return 0;
    }
    case WM_GETDLGCODE:
      return wantsEnter(lParam) ? DLGC_WANTMESSAGE : 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
      onKey(message, wParam);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
      ::SetFocus(hwnd());
      ::SetCapture(hwnd());
      pressed_ = true;
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      onButtonUp(lParam);
      return 0;
    case WM_CAPTURECHANGED:
      pressed_ = false;
      return 0;
    default:
      return defaultHandling(message, wParam, lParam);
  }
}

// Space (on its release) and Enter open the chooser as a click does.
void PictureBoxControl::onKey(UINT message, WPARAM key) {
  if (message == WM_KEYDOWN && key == VK_SPACE) spaceDown_ = true;
  if (message == WM_KEYUP && key == VK_SPACE && std::exchange(spaceDown_, false)) {
    sendClicked(hwnd());
  }
  if (message == WM_KEYDOWN && key == VK_RETURN) sendClicked(hwnd());
}

void PictureBoxControl::onButtonUp(LPARAM position) {
  if (!pressed_) return;
  pressed_ = false;
  ::ReleaseCapture();
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  if (::PtInRect(&client, POINT{GET_X_LPARAM(position), GET_Y_LPARAM(position)})) {
    sendClicked(hwnd());
  }
}

PushButtonControl::PushButtonControl(HWND parent, int id, const std::wstring& caption) {
  registerClass(kPushButtonClass, 0, ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
  createWindow(0, kPushButtonClass, caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0,
               parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
}

void PushButtonControl::paint() {
  PaintDc paint(hwnd());
  HDC dc = paint.get();
  RECT client{};
  ::GetClientRect(hwnd(), &client);
  const auto [background, textColour] = parentColours(dc, WM_CTLCOLORBTN);
  // Pressed, it turns light grey (button face under high contrast), skinned or not.
  fillWith(dc, client,
           pressed_ ? toColorRef(paintColoursNow(Colour{0x00E5E5E5}, kButtonText).background)
                    : skinnedColour(hwnd(), SkinPart::ButtonBackground, background));
  // Under high contrast the edge takes the text's colour, so the button's extent shows.
  UniqueBrush frame(
      ::CreateSolidBrush(highContrastOn() ? textColour : ::GetSysColor(COLOR_BTNSHADOW)));
  ::FrameRect(dc, &client, frame.get());
  const std::wstring caption = windowText(hwnd());
  SelectedObject font(dc, font_ ? static_cast<HGDIOBJ>(font_) : ::GetStockObject(DEFAULT_GUI_FONT));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, skinnedColour(hwnd(), SkinPart::ButtonText, textColour));
  RECT text = client;
  if (pressed_) ::OffsetRect(&text, 1, 1);
  ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  if (showsFocus(hwnd())) drawFocus(hwnd(), dc, 3);
}

void PushButtonControl::setPressed(bool pressed) {
  if (pressed_ == pressed) return;
  pressed_ = pressed;
  ::InvalidateRect(hwnd(), nullptr, FALSE);
}

void PushButtonControl::click() { sendClicked(hwnd()); }

bool PushButtonControl::onMouse(UINT message, LPARAM lParam) {
  switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ::SetFocus(hwnd());
      ::SetCapture(hwnd());
      tracking_ = true;
      setPressed(true);
      return true;
    case WM_MOUSEMOVE:
      if (tracking_) {
        RECT client{};
        ::GetClientRect(hwnd(), &client);
        setPressed(::PtInRect(&client, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != 0);
      }
      return true;
    case WM_LBUTTONUP: {
      if (!tracking_) return true;
      const bool inside = pressed_;
      tracking_ = false;
      ::ReleaseCapture();
      setPressed(false);
      if (inside) click();
      return true;
    }
    case WM_CAPTURECHANGED:
      tracking_ = false;
      setPressed(false);
      return true;
    default:
      return false;
  }
}

bool PushButtonControl::onKey(UINT message, WPARAM key) {
  if (message == WM_KEYDOWN && key == VK_SPACE) {
    setPressed(true);
    return true;
  }
  if (message == WM_KEYUP && key == VK_SPACE && pressed_) {
    setPressed(false);
    click();
    return true;
  }
  if (message == WM_KEYDOWN && key == VK_RETURN) {
    click();
    return true;
  }
  return false;
}

LRESULT PushButtonControl::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_MOUSEMOVE) mouseMoved(wParam, lParam);
  if (onMouse(message, lParam)) return 0;
  if ((message == WM_KEYDOWN || message == WM_KEYUP) && onKey(message, wParam)) return 0;
  LRESULT result = 0;
  if (handleFontMessage(hwnd(), font_, message, wParam, lParam, result)) return result;
  if (message == WM_KILLFOCUS && !tracking_) setPressed(false);  // Space let go elsewhere
  if (focusableMessage(message, wParam, lParam, result)) return result;
  switch (message) {
    case WM_PAINT:
      paint();
      return 0;
    case WM_GETDLGCODE:
      return DLGC_BUTTON;
    default:
      return defaultHandling(message, wParam, lParam);
  }
}

}  // namespace qo::win32
