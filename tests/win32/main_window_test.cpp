// The main window built for real: layout at the window's DPI, fonts, controls.
#include <gtest/gtest.h>

#include "platform/win32/main_window_win32.h"

namespace qo::win32 {
namespace {

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

TEST(MainWindowWin32, ClientAreaIsDefinedSizeAtNinetySixDpi) {
  Win32MainWindow window;
  ASSERT_EQ(dpiOf(window.hwnd()), 96);
  RECT client{};
  ::GetClientRect(window.hwnd(), &client);
  EXPECT_EQ(client.right, 536);
  EXPECT_EQ(client.bottom, 237);
  const LONG style = ::GetWindowLongW(window.hwnd(), GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);
}

TEST(MainWindowWin32, ControlsSitAtTheirDefinedRectangles) {
  Win32MainWindow window;
  for (const ControlDefinition& definition : form1Definition().controls) {
    if (!isVisibleAtRunTime(definition.kind)) continue;
    const HWND control = window.control(definition.name);
    const Rect expected = pixelRect(definition, 96);
    const Rect actual = clientRectIn(control, ::GetParent(control));
    const std::string name(definition.name.begin(), definition.name.end());
    if (definition.kind == ControlKind::Label) {
      // Sized to the text: Liberation Sans is metric-compatible with Arial within a pixel or two.
      EXPECT_EQ(Rect(actual.left, actual.top, actual.left, actual.bottom),
                Rect(expected.left, expected.top, expected.left, expected.bottom))
          << name;
      EXPECT_NEAR(actual.width(), expected.width(), 3) << name;
    } else {
      EXPECT_EQ(actual, expected) << name;
    }
  }
}

TEST(MainWindowWin32, ControlsUseBoldArialWithCyrillicCharset) {
  Win32MainWindow window;
  const FontFacts label = actualFont(window.control(L"Label1"));
  EXPECT_EQ(label.weight, 700) << std::string(label.face.begin(), label.face.end());
  EXPECT_EQ(label.charset, 204);
  EXPECT_EQ(label.height, 12 + 2) << "9 points at 96 DPI";
  const FontFacts button = actualFont(window.control(L"PushButton2"));
  EXPECT_EQ(button.weight, 700);
}

TEST(MainWindowWin32, ReadsItsControls) {
  Win32MainWindow window;
  EXPECT_EQ(window.text1Text(), L"Text1");
  EXPECT_EQ(window.check1Value(), 0);
  EXPECT_EQ(window.picture1BackColor(), 0u);
  EXPECT_EQ(window.label1Caption(), L"Double left-click to QUIT");
  EXPECT_EQ(window.label2Caption(), L"Right-click to SAVE as image file");
}

}  // namespace
}  // namespace qo::win32
