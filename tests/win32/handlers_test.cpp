// "Start Drawing", drawing, saving and closing: the real handlers on the real
// Win32 services and overlay, with message boxes recorded instead of shown and a
// headless stand-in for the main window.
#include <gtest/gtest.h>

#include "overlay_pixels.h"
#include "base/error_report.h"
#include "forms/form1.h"
#include "dialog_answer.h"
#include "formats/bitmap_file.h"
#include "overlay/form2.h"
#include "fakes/headless_platform.h"
#include "platform/win32/overlay_window_win32.h"
#include "platform/win32/services_win32.h"
#include "win32_test_support.h"

namespace qo::win32 {
namespace {

using testing::imagePixel;
using testing::LiveHandles;
using testing::narrow;
using testing::pumpMessages;
using testing::pumpUntil;
using testing::readWholeFile;
using testing::ScratchFolder;
using testing::screenPixel;

constexpr wchar_t kOverlayClass[] = L"QuillmarkOrvaneOverlay";

HWND overlayHwnd() { return ::FindWindowW(kOverlayClass, nullptr); }

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

// The real overlay host, with a stand-in between the window and Form2's events
// that notes whether the window still exists once the double click it raised has
// been handled: a window must not be destroyed while it handles its own message.
class WatchingOverlayHost final : public OverlayHost {
 public:
  std::unique_ptr<OverlayWindow> buildOverlay(FormEvents& events) override {
    watcher_.form2 = &events;
    auto window = inner_.buildOverlay(watcher_);
    watcher_.window = static_cast<Win32OverlayWindow&>(*window).hwnd();
    ++live;
    return window;
  }
  void discardOverlay(std::unique_ptr<OverlayWindow> window) override {
    --live;
    inner_.discardOverlay(std::move(window));
  }
  int live = 0;  // built and not yet discarded
  bool aliveAfterDoubleClick() const { return watcher_.aliveAfterDoubleClick; }

 private:
  struct Watcher final : FormEvents {
    void raise(std::wstring_view control, ControlEvent event, const MouseArgs& mouse) override {
      form2->raise(control, event, mouse);
      if (event == ControlEvent::DblClick) aliveAfterDoubleClick = ::IsWindow(window);
    }
    FormEvents* form2 = nullptr;
    HWND window = nullptr;
    bool aliveAfterDoubleClick = false;
  };

  Win32OverlayHost inner_;
  Watcher watcher_;
};

class HandlersOnWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    mainWindow.setText1Text(L"7");
    mainWindow.setPicture1BackColor(rgb(0, 0, 255));
    pumpMessages(1);
  }
  void TearDown() override {
    form1.form2().Unload();
    pumpMessages(1);
  }

  // Presses "Start Drawing" and lets the overlay paint.
  void startDrawing() {
    form1.PushButton2_Click();
    pumpMessages(2);
  }

  Form2& form2() { return form1.form2(); }

  // The test program carries the program's resources, so no report is expected.
  std::size_t unexpectedReports() const { return messages.shown.size(); }

  Win32Application app;
  RecordingMessageBoxes messages;
  Win32Locale locale;
  Win32Clock clock;
  Win32EventPump events;
  Win32FileSystem files;
  Win32Screen screen;
  WatchingOverlayHost overlays;
  MemorySettingsStore settings;
  Platform platform{app, messages, locale, clock, events, files, screen, overlays, settings};
  HeadlessMainWindow mainWindow;
  Form1 form1{platform, mainWindow};
};

// --- "Start Drawing" ------------------------------------------------------------------------

TEST_F(HandlersOnWin32, OverlayTakesTheScreenTheColourAndTheCornerForThePreview) {
  mainWindow.setPicture1BackColor(rgb(10, 20, 30));
  startDrawing();
  EXPECT_EQ(unexpectedReports(), 0u);
  EXPECT_EQ(form2().m_Color, rgb(10, 20, 30));
  OverlayWindow& overlay = form2().window();
  const Size size = screen.size();
  EXPECT_EQ((Size{testing::overlayPixels(overlay).width, testing::overlayPixels(overlay).height}), size);
  EXPECT_EQ(overlay.previewBox(), Rect(size.width - 25, size.height - 25, size.width, size.height));
  EXPECT_TRUE(::IsWindowVisible(overlayHwnd()));
  EXPECT_EQ(mainWindow.minimiseCalls, 0) << "Check1 is clear";
}

TEST_F(HandlersOnWin32, MinimiseOptionShowsTheHintMinimisesAndPausesHalfASecond) {
  mainWindow.setCheck1Value(1);
  const ULONGLONG started = ::GetTickCount64();
  form1.PushButton2_Click();
  const ULONGLONG took = ::GetTickCount64() - started;
  ASSERT_FALSE(messages.shown.empty());
  const ShownBox& hint = messages.shown.front();
  EXPECT_EQ(hint.text, L"Double left-click to QUIT\r\rRight-click to SAVE as image file");
  EXPECT_EQ(hint.title, app.title());
  EXPECT_EQ(hint.style, 0u);
  EXPECT_EQ(mainWindow.minimiseCalls, 1);
  EXPECT_GE(took, 480u) << "the pause is half a second";
  EXPECT_EQ(unexpectedReports(), 1u) << "the hint box only";
  EXPECT_EQ(form2().m_Width, 7);
}

// --- drawing through window messages --------------------------------------------------------

TEST_F(HandlersOnWin32, DraggingWithTheLeftButtonDrawsAndRefreshesThePreview) {
  startDrawing();
  const HWND overlay = overlayHwnd();
  ASSERT_TRUE(overlay);
  ::SendMessageW(overlay, WM_MOUSEMOVE, 0, at(100, 200));
  ::SendMessageW(overlay, WM_MOUSEMOVE, MK_LBUTTON, at(160, 200));
  EXPECT_EQ(form2().storedPoint(), (Point{160, 200}));

  const ImageView image = testing::overlayPixels(form2().window());
  const std::uint32_t blue = imagePixel(RGB(0, 0, 255));
  EXPECT_EQ(image.at(130, 200), blue);
  EXPECT_EQ(image.at(130, 203), blue) << "width 7";
  EXPECT_NE(image.at(130, 206), blue);
  EXPECT_NE(image.at(90, 200), blue);

  // The preview holds the 25 x 25 square around the pointer, one to one.
  const HWND box = ::FindWindowExW(overlay, nullptr, L"QuillmarkOrvanePicture", nullptr);
  {
    WindowDc dc(box);
    for (const POINT p : {POINT{0, 0}, POINT{12, 12}, POINT{0, 12}, POINT{24, 24}}) {
      const std::uint32_t shown = imagePixel(::GetPixel(dc.get(), p.x, p.y));
      EXPECT_EQ(shown, image.at(148 + p.x, 188 + p.y)) << p.x << "," << p.y;
    }
  }
  EXPECT_TRUE(pumpUntil([] { return screenPixel(130, 200) == RGB(0, 0, 255); }))
      << "the overlay does not show the line";
  EXPECT_EQ(unexpectedReports(), 0u);
}

TEST_F(HandlersOnWin32, BothButtonsOrTheMiddleButtonDrawNothing) {
  startDrawing();
  const HWND overlay = overlayHwnd();
  ::SendMessageW(overlay, WM_MOUSEMOVE, 0, at(300, 400));
  ::SendMessageW(overlay, WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, at(360, 400));
  ::SendMessageW(overlay, WM_MOUSEMOVE, MK_MBUTTON, at(360, 420));
  ::SendMessageW(overlay, WM_MBUTTONDOWN, MK_MBUTTON, at(360, 440));
  EXPECT_EQ(form2().storedPoint(), (Point{300, 400}));
  EXPECT_NE(testing::overlayPixels(form2().window()).at(330, 400), imagePixel(RGB(0, 0, 255)));
  EXPECT_EQ(unexpectedReports(), 0u);
}

TEST_F(HandlersOnWin32, ZeroThicknessIsReportedAtLine102AndDrawsOnePixelWide) {
  mainWindow.setText1Text(L"0");
  startDrawing();
  const HWND overlay = overlayHwnd();
  ::SendMessageW(overlay, WM_MOUSEMOVE, 0, at(250, 300));
  ::SendMessageW(overlay, WM_LBUTTONDOWN, MK_LBUTTON, at(300, 300));
  const auto reports = messages.reportsFrom(location::kForm2MouseDown);
  ASSERT_EQ(reports.size(), 1u);
  EXPECT_NE(reports[0].text.find(L"Form2.Form_MouseDown at line 102\r\r"), std::wstring::npos);
  const ImageView image = testing::overlayPixels(form2().window());
  EXPECT_EQ(image.at(275, 300), imagePixel(RGB(0, 0, 255)));
  EXPECT_NE(image.at(275, 301), imagePixel(RGB(0, 0, 255)));
  EXPECT_NE(image.at(275, 299), imagePixel(RGB(0, 0, 255)));
}

// --- closing and opening again --------------------------------------------------------------

TEST_F(HandlersOnWin32, DoubleClickClosesTheOverlayAndKeepsItsMembers) {
  const LiveHandles start;
  startDrawing();
  ::SendMessageW(overlayHwnd(), WM_MOUSEMOVE, 0, at(40, 50));
  ::SendMessageW(overlayHwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, at(40, 50));
  pumpMessages(1);
  EXPECT_EQ(mainWindow.restoreCalls, 1);
  EXPECT_EQ(overlayHwnd(), nullptr);
  EXPECT_EQ(overlays.live, 0);
  EXPECT_EQ(form2().m_Width, 7);
  EXPECT_EQ(form2().m_Color, rgb(0, 0, 255));
  EXPECT_EQ(form2().storedPoint(), (Point{40, 50}));
  EXPECT_EQ(LiveHandles(), start) << "the closed overlay holds nothing";

  // The next "Start Drawing" builds it again; a bad thickness keeps the last width.
  mainWindow.setText1Text(L"abc");
  startDrawing();
  ASSERT_TRUE(overlayHwnd());
  EXPECT_TRUE(::IsWindowVisible(overlayHwnd()));
  EXPECT_EQ(form2().m_Width, 7);
  EXPECT_EQ(messages.reportsFrom(location::kForm1StartDrawing).size(), 1u);
  EXPECT_TRUE(messages.reportsFrom(location::kForm2Load).empty()) << "the icon loads";
}

TEST_F(HandlersOnWin32, ADoubleClickUnloadsTheOverlayOnlyOnceItsMessageIsHandled) {
  startDrawing();
  const HWND overlay = overlayHwnd();
  ::SendMessageW(overlay, WM_LBUTTONDBLCLK, MK_LBUTTON, at(40, 50));
  EXPECT_TRUE(overlays.aliveAfterDoubleClick()) << "destroyed inside its own handling";
  EXPECT_FALSE(::IsWindow(overlay)) << "gone once the message was handled";
  EXPECT_EQ(overlays.live, 0);
  EXPECT_EQ(mainWindow.restoreCalls, 1);
}

TEST_F(HandlersOnWin32, ClosedByTheSystemTheOverlayUnloadsAndStartDrawingBuildsItAgain) {
  mainWindow.setCheck1Value(1);
  for (const bool altF4 : {true, false}) {
    SCOPED_TRACE(altF4 ? "Alt+F4" : "WM_CLOSE");
    mainWindow.restoreCalls = 0;
    startDrawing();
    const HWND first = overlayHwnd();
    ASSERT_TRUE(first);
    if (altF4) {
      ::SendMessageW(first, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
      ::SendMessageW(first, WM_CLOSE, 0, 0);
    }
    pumpMessages(1);
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_EQ(overlays.live, 0);
    EXPECT_EQ(mainWindow.restoreCalls, 0) << "the main window stays minimised";

    startDrawing();
    const HWND again = overlayHwnd();
    ASSERT_TRUE(again) << "no overlay after closing it";
    EXPECT_TRUE(::IsWindowVisible(again));
    ::SendMessageW(again, WM_MOUSEMOVE, 0, at(300, 300));
    ::SendMessageW(again, WM_MOUSEMOVE, MK_LBUTTON, at(340, 300));
    const ImageView image = testing::overlayPixels(form2().window());
    EXPECT_EQ(image.pixels[300 * image.stride + 320], imagePixel(RGB(0, 0, 255))) << "it draws";
    ::SendMessageW(again, WM_LBUTTONDBLCLK, MK_LBUTTON, at(1, 1));
    pumpMessages(1);
  }
  for (const auto& box : messages.shown) {
    EXPECT_NE(box.title, kErrorReportTitle) << narrow(box.text);
  }
}

TEST_F(HandlersOnWin32, RepeatedDrawingSessionsDoNotGrowTheHandleCounts) {
  startDrawing();
  ::SendMessageW(overlayHwnd(), WM_LBUTTONDBLCLK, MK_LBUTTON, at(1, 1));
  pumpMessages(1);
  const LiveHandles start;
  for (int session = 0; session < 10; ++session) {
    startDrawing();
    const HWND overlay = overlayHwnd();
    ::SendMessageW(overlay, WM_MOUSEMOVE, 0, at(10, 10));
    for (int step = 1; step <= 20; ++step) {
      ::SendMessageW(overlay, WM_MOUSEMOVE, MK_LBUTTON, at(10 + step * 7, 10 + step * 3));
    }
    ::SendMessageW(overlay, WM_LBUTTONDBLCLK, MK_LBUTTON, at(1, 1));
    pumpMessages(1);
    EXPECT_EQ(LiveHandles(), start) << "session " << session;
  }
}

// --- saving ---------------------------------------------------------------------------------

// Width, height and pixel (x, y) of a 24-bit bitmap file.
struct BmpFacts {
  int width = 0;
  int height = 0;
  std::uint32_t pixel = 0;
};

BmpFacts readBmp(const std::vector<std::uint8_t>& bytes, int x, int y) {
  auto u32 = [&](std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                                      (bytes[at + 3] << 24));
  };
  BmpFacts facts;
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return facts;
  facts.width = static_cast<int>(u32(18));
  facts.height = static_cast<int>(u32(22));
  const std::size_t row = static_cast<std::size_t>((facts.width * 3 + 3) & ~3);
  const std::size_t at = u32(10) + static_cast<std::size_t>(facts.height - 1 - y) * row +
                         static_cast<std::size_t>(x) * 3;
  if (at + 3 > bytes.size()) return facts;
  facts.pixel =
      bytes[at] | (bytes[at + 1] << 8) | (static_cast<std::uint32_t>(bytes[at + 2]) << 16);
  return facts;
}

class SavingOnWin32 : public HandlersOnWin32 {
 protected:
  void SetUp() override {
    HandlersOnWin32::SetUp();
    startDrawing();
    ::SendMessageW(overlayHwnd(), WM_MOUSEMOVE, 0, at(100, 200));
    ::SendMessageW(overlayHwnd(), WM_MOUSEMOVE, MK_LBUTTON, at(160, 200));
  }
  ScratchFolder folder;
};

TEST_F(SavingOnWin32, RightClickSavesThroughTheSaveAsDialog) {
  const std::wstring path = folder.file(L"drawing");
  DWORD exStyle = 0;
  testing::DialogAnswer answer(L"Save As", [&, save = testing::saveAs(path)](HWND dialog) {
    exStyle = static_cast<DWORD>(::GetWindowLongW(dialog, GWL_EXSTYLE));
    save(dialog);
  });
  ::SendMessageW(overlayHwnd(), WM_RBUTTONDOWN, MK_RBUTTON, at(500, 500));
  ASSERT_TRUE(answer.finish()) << "no Save As dialog appeared";
  EXPECT_EQ(unexpectedReports(), 0u) << narrow(messages.shown.back().text);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST) << "above the overlay";
  const BmpFacts facts = readBmp(readWholeFile(path), 130, 200);
  EXPECT_EQ(facts.width, screen.size().width);
  EXPECT_EQ(facts.pixel, imagePixel(RGB(0, 0, 255)));
  EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"drawing"}) << "saved under the typed name";
  EXPECT_TRUE(::IsWindowVisible(overlayHwnd())) << "the overlay stays open";
  EXPECT_EQ(form2().storedPoint(), (Point{160, 200})) << "saving leaves the drawing state";
}

}  // namespace
}  // namespace qo::win32
