// The main window built for real: layout at the window's DPI, fonts, controls.
#include <gtest/gtest.h>

#include "fakes/recording_events.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/skin_window_win32.h"
#include "real_main_window.h"
#include "win32_test_support.h"

#include <oleacc.h>  // after <windows.h>

namespace qo::win32 {
namespace {

using testing::RealMainWindow;

struct FontFacts {
  std::wstring face;
  LONG weight;
  LONG height;
  BYTE charset;
};

FontFacts actualFont(HWND control) {
  const auto font = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  WindowDc dc(control);
  SelectedObject selected(dc.get(), font);
  wchar_t face[LF_FACESIZE] = {};
  ::GetTextFaceW(dc.get(), LF_FACESIZE, face);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc.get(), &metrics);
  return {face, metrics.tmWeight, metrics.tmHeight, metrics.tmCharSet};
}

Rect clientRectIn(HWND control, HWND container) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(HWND_DESKTOP, container, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

// Raises a move into a monitor of 144 DPI (WM_DPICHANGED) within the window's first move.
HHOOK dpiHook = nullptr;
LRESULT CALLBACK raiseDpiChangeInMove(int code, WPARAM wParam, LPARAM lParam) {
  const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lParam);
  if (dpiHook && sent->message == WM_WINDOWPOSCHANGED && ::GetWindow(sent->hwnd, GW_CHILD)) {
    ::UnhookWindowsHookEx(std::exchange(dpiHook, nullptr));
    RECT suggested{10, 10, 900, 500};
    ::SendMessageW(sent->hwnd, WM_DPICHANGED, MAKEWPARAM(144, 144),
                   reinterpret_cast<LPARAM>(&suggested));
  }
  return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(MainWindowWin32, ALayoutForTheDpiAMoveCrossesIntoStands) {
  dpiHook =
      ::SetWindowsHookExW(WH_CALLWNDPROC, raiseDpiChangeInMove, nullptr, ::GetCurrentThreadId());
  RealMainWindow window;
  EXPECT_EQ(clientRectIn(window.control(L"Text1"), window.control(L"Frame2")),
            (Rect{120, 30, 230, 63}));
}

// Switched to a dark high-contrast scheme while it runs, the window, skinned or not, paints in it.
TEST(MainWindowWin32, HighContrastPaintsInTheSchemesColours) {
  RealMainWindow window;
  window.surface.showFirstTime();
  applySkin(window.surface.hwnd(), {kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite, kWhite},
            {true, true, true});
  testing::pumpMessages();
  const HighContrastReader system = setHighContrastReader([] { return true; });
  const int parts[] = {COLOR_WINDOW, COLOR_BTNFACE};
  const COLORREF dark[] = {RGB(0, 0, 64), RGB(0, 0, 64)},
                 before[] = {::GetSysColor(parts[0]), ::GetSysColor(parts[1])};
  ::SetSysColors(2, parts, dark);
  testing::pumpMessages();
  for (const wchar_t* name : {L"", L"Frame1", L"Check1", L"Label1", L"Text1", L"PushButton2"}) {
    const HWND part = *name ? window.control(name) : window.surface.hwnd();
    EXPECT_EQ(::GetPixel(WindowDc(part).get(), 40, 1), dark[0]) << name;  // no text, edge or box
  }
  ::SetSysColors(2, parts, before);
  setHighContrastReader(system);
}

TEST(MainWindowWin32, ControlsUseBoldArialWithCyrillicCharset) {
  RealMainWindow window;
  const FontFacts label = actualFont(window.control(L"Label1"));
  EXPECT_EQ(label.weight, 700) << std::string(label.face.begin(), label.face.end());
  EXPECT_EQ(label.charset, 204);
  EXPECT_EQ(label.height, 12 + 2) << "9 points at 96 DPI";
  const FontFacts button = actualFont(window.control(L"PushButton2"));
  EXPECT_EQ(button.weight, 700);
}

// What the model sets shows in the real controls; a text set from code, which the
// edit reports back as a change, raises the change event once.
TEST(MainWindowWin32, ShowsWhatTheModelSets) {
  RealMainWindow window;
  RecordingEvents events(window.model);
  window.model.connect(events);
  window.model.setText1Text(L"12");
  window.model.setCheck1Value(2);
  window.model.setCaption(L"Quillmark Orvane");
  EXPECT_EQ(windowText(window.control(L"Text1")), L"12");
  EXPECT_EQ(::SendMessageW(window.control(L"Check1"), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  EXPECT_EQ(windowText(window.surface.hwnd()), L"Quillmark Orvane");
  EXPECT_EQ(events.raised, (std::vector<std::string>{"Text1_Change", "Check1_Click"}));
}

// What a user does to the real controls reaches the handler its route names.
TEST(MainWindowWin32, UserActionsRaiseTheirRoutedEvents) {
  RealMainWindow window;
  RecordingEvents events(window.model);
  window.model.connect(events);
  window.surface.showFirstTime();
  // Away from the pointer (the middle of the screen), so only the messages below move it.
  ::SetWindowPos(window.surface.hwnd(), nullptr, 700, 700, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  testing::pumpMessages(1);
  const struct {
    const wchar_t* control;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::vector<std::string> raised;
  } cases[] = {
      {L"Text1", WM_CHAR, 'x', 0, {"Text1_Change"}},
      // Pressing a button takes the focus: the thickness box's lost focus comes first.
      {L"Check1", WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2), {"Text1_LostFocus"}},
      {L"Check1", WM_LBUTTONUP, 0, MAKELPARAM(2, 2), {"Check1_Click"}},
      {L"Picture1", WM_RBUTTONDOWN, 0, MAKELPARAM(2, 2), {}},
      {L"Picture1", WM_RBUTTONUP, 0, MAKELPARAM(2, 2), {"Picture1_Click"}},
      {L"Picture1", WM_LBUTTONDOWN, 0, MAKELPARAM(2, 2), {}},
      {L"Picture1", WM_LBUTTONUP, 0, MAKELPARAM(900, 2), {}},  // let go outside: no click
      {L"Picture1", WM_KEYDOWN, VK_SPACE, 0, {}},
      {L"Picture1", WM_KILLFOCUS, 0, 0, {}},
      {L"Picture1", WM_KEYUP, VK_SPACE, 0, {}},  // Space went down before the focus left
      {L"PushButton2", WM_KEYDOWN, VK_RETURN, 0, {"PushButton2_Click"}},
      {L"PushButton2", WM_MOUSEMOVE, 0, MAKELPARAM(5, 5), {"PushButton2_MouseMove"}},
      {L"Frame1", WM_MOUSEMOVE, 0, 0, {"Frame1_MouseMove"}},
      {L"Frame2", WM_MOUSEMOVE, 0, 0, {"Frame2_MouseMove"}},
      {L"Frame3", WM_MOUSEMOVE, 0, 0, {"Frame3_MouseMove"}},
      {L"Label1", WM_MOUSEMOVE, 0, 0, {}},
  };
  ASSERT_EQ(events.raised, (std::vector<std::string>{"Form_Load", "Text1_GotFocus"}));
  for (const auto& c : cases) {
    events.raised.clear();
    ::SendMessageW(window.control(c.control), c.message, c.wParam, c.lParam);
    testing::pumpMessages(1);
    EXPECT_EQ(events.raised, c.raised) << testing::narrow(c.control) << " " << c.message;
  }
  events.raised.clear();
  ::SendMessageW(window.surface.hwnd(), WM_MOUSEMOVE, 0, 0);
  EXPECT_EQ(events.raised, std::vector<std::string>{"Form_MouseMove"});
  EXPECT_EQ(window.model.check1Value(), 1);
}

// A screen reader talks to one object of ours, which refuses what it is not; it presses
// "Start Drawing" and the swatch, the click posted (a modal dialog may follow).
TEST(MainWindowWin32, AScreenReaderPressesOurButtonsThroughOurOwnObject) {
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  RealMainWindow window;
  RecordingEvents events(window.model);
  window.model.connect(events);
  VARIANT self{}, role{};
  self.vt = VT_I4;  // lVal 0: CHILDID_SELF
  for (const auto& [name, click] :
       {std::pair{L"PushButton2", "PushButton2_Click"}, std::pair{L"Picture1", "Picture1_Click"}}) {
    IAccessible* object = nullptr;
    ASSERT_EQ(S_OK,
              ::AccessibleObjectFromWindow(window.control(name), OBJID_CLIENT, IID_IAccessible,
                                           reinterpret_cast<void**>(&object)));
    void* other = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IServiceProvider, &other), E_NOINTERFACE);
    BSTR action = nullptr;
    EXPECT_TRUE(object->get_accRole(self, &role) == S_OK && role.lVal == ROLE_SYSTEM_PUSHBUTTON);
    ASSERT_EQ(object->get_accDefaultAction(self, &action), S_OK);
    EXPECT_EQ(std::wstring(action), L"Press");
    ::SysFreeString(action);
    events.raised.clear();
    EXPECT_EQ(object->accDoDefaultAction(self), S_OK);
    EXPECT_TRUE(events.raised.empty()) << "posted, not sent";
    testing::pumpMessages(1);
    EXPECT_EQ(events.raised, std::vector<std::string>{click});
    object->Release();
  }
  ::CoUninitialize();
}

// The focus cues follow the last input at the first showing (hidden after a start
// by mouse, as Windows does) and show once Tab moves the focus.  Wine keeps them
// shown whatever it is told, so the test watches what the window asks for.
std::vector<WPARAM> uiStateChanges;
WNDPROC windowProcedure = nullptr;

LRESULT CALLBACK watchUiState(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CHANGEUISTATE) uiStateChanges.push_back(wParam);
  return ::CallWindowProcW(windowProcedure, window, message, wParam, lParam);
}

TEST(MainWindowWin32, FocusCuesFollowTheFirstInputAndShowOnceTabIsUsed) {
  RealMainWindow window;
  const HWND main = window.surface.hwnd();
  windowProcedure = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrW(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&watchUiState)));
  window.surface.showFirstTime();
  EXPECT_TRUE(window.surface.navigate(MSG{main, WM_KEYDOWN, VK_TAB, 0, 0, {}}));
  ::SetWindowLongPtrW(main, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProcedure));
  ASSERT_GE(uiStateChanges.size(), 2u);
  EXPECT_EQ(uiStateChanges.front(), MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS));
  EXPECT_EQ(uiStateChanges.back(), MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS));
}

TEST(MainWindowWin32, FocusSelectionAndTheCustomPointer) {
  RealMainWindow window;
  window.model.setText1Text(L"12345");
  window.model.selectText1(1, 3);
  DWORD start = 0, end = 0;
  ::SendMessageW(window.control(L"Text1"), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
  EXPECT_EQ(start, 1u);
  EXPECT_EQ(end, 4u);
  EXPECT_EQ(::SendMessageW(window.control(L"Text1"), EM_GETLIMITTEXT, 0, 0), 32767)
      << "all of which the settings store reads back";
  MSG tab{window.control(L"Picture1"), WM_KEYDOWN, VK_TAB, 0, 0, {}};
  EXPECT_EQ(::SendMessageW(tab.hwnd, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)), 0);

  testing::ScratchFolder folder;
  ASSERT_TRUE(testing::writeWholeFile(folder.file(L"HAND-M.CUR"), testing::tinyCursorFile()));
  window.model.loadMouseIcon(folder.file(L"HAND-M.CUR"));
  const HCURSOR arrow = ::LoadCursorW(nullptr, IDC_ARROW);
  const HWND button = window.control(L"PushButton2");
  const auto pointerOver = [&](HWND child) {
    ::SetCursor(nullptr);
    ::SendMessageW(child, WM_SETCURSOR, reinterpret_cast<WPARAM>(child), MAKELPARAM(HTCLIENT, 0));
    return ::GetCursor();
  };
  EXPECT_EQ(pointerOver(button), arrow) << "the ordinary pointer while the setting is 0";
  window.model.setMousePointer(kCustomPointer);
  const HCURSOR custom = pointerOver(button);
  EXPECT_NE(custom, arrow);
  EXPECT_NE(custom, nullptr);
  EXPECT_EQ(pointerOver(window.control(L"Check1")), custom) << "over every control alike";
  EXPECT_EQ(pointerOver(window.surface.hwnd()), custom);
  window.model.setApplicationIcon();
  EXPECT_NE(::SendMessageW(window.surface.hwnd(), WM_GETICON, ICON_SMALL, 0), 0);
}

}  // namespace
}  // namespace qo::win32
