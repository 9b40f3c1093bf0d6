// The overlay window built for real: its window, persistent image, lines, preview
// box, mouse events and the handles it owns.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <optional>
#include <ostream>
#include <vector>

#include "overlay_pixels.h"
#include "base/failure.h"
#include "fakes/bitmap_encoder.h"
#include "formats/bitmap_file.h"
#include "platform/win32/overlay_window_win32.h"
#include "platform/win32/persistent_image.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/resources/resource_ids.h"
#include "ui/window_definitions.h"
#include "win32_test_support.h"

namespace qo::win32 {
namespace {

using testing::imagePixel;
using testing::LiveHandles;
using testing::pumpMessages;
using testing::pumpUntil;
using testing::screenPixel;

struct MouseCall {
  ControlEvent kind;
  int button = 0;
  int shift = 0;
  float x = 0;
  float y = 0;
  friend bool operator==(const MouseCall&, const MouseCall&) = default;
};

std::ostream& operator<<(std::ostream& out, const MouseCall& call) {
  return out << "event " << static_cast<int>(call.kind) << "(" << call.button << ", "
             << call.shift << ", " << call.x << ", " << call.y << ")";
}

class RecordingEvents final : public FormEvents {
 public:
  void raise(std::wstring_view control, ControlEvent event, const MouseArgs& m) override {
    EXPECT_EQ(control, L"Form2");
    calls.push_back({event, m.button, m.shift, m.x, m.y});
  }
  std::vector<MouseCall> calls;
};

Size screenSize() { return {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)}; }

HWND previewHwnd(const Win32OverlayWindow& overlay) {
  return ::FindWindowExW(overlay.hwnd(), nullptr, L"QuillmarkOrvanePicture", nullptr);
}

class OverlayWindowTest : public ::testing::Test {
 protected:
  void TearDown() override { pumpMessages(1); }
  RecordingEvents events;
  Win32OverlayWindow overlay{events};
};

// --- the window -----------------------------------------------------------------------------

TEST_F(OverlayWindowTest, IsABorderlessHiddenTopmostToolWindowWithDoubleClicks) {
  const HWND hwnd = overlay.hwnd();
  ASSERT_TRUE(::IsWindow(hwnd));
  wchar_t className[64] = {};
  ::GetClassNameW(hwnd, className, 64);
  EXPECT_STREQ(className, L"QuillmarkOrvaneOverlay");
  const auto style = static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_STYLE));
  const auto exStyle = static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_EXSTYLE));
  EXPECT_TRUE(style & WS_POPUP);
  EXPECT_EQ(style & (WS_CAPTION | WS_BORDER | WS_DLGFRAME | WS_THICKFRAME | WS_SYSMENU), 0u);
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW) << "no taskbar button";
  EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
  EXPECT_TRUE(exStyle & WS_EX_TOPMOST) << "nothing that comes forward buries it";
  // A held pen or finger must draw, not turn into a right click (which saves).
  const auto tablet = reinterpret_cast<UINT_PTR>(
      ::GetPropW(hwnd, L"MicrosoftTabletPenServiceProperty"));
  EXPECT_EQ(tablet & 0x00010001u, 0x00010001u) << "press-and-hold and flicks off";
  EXPECT_TRUE(::GetClassLongW(hwnd, GCL_STYLE) & CS_DBLCLKS);
  EXPECT_FALSE(::IsWindowVisible(hwnd)) << "built hidden, shown by Start Drawing";
}

TEST_F(OverlayWindowTest, ImageIsTheScreenSize) {
  const ImageView image = testing::overlayPixels(overlay);
  EXPECT_EQ(image.width, screenSize().width);
  EXPECT_EQ(image.height, screenSize().height);
  EXPECT_GE(image.stride, image.width);
  ASSERT_NE(image.pixels, nullptr);
}

TEST_F(OverlayWindowTest, ShownItCoversTheWholeScreen) {
  overlay.show();
  pumpMessages();
  EXPECT_TRUE(::IsWindowVisible(overlay.hwnd()));
  RECT bounds{};
  ::GetWindowRect(overlay.hwnd(), &bounds);
  EXPECT_EQ(Rect(bounds.left, bounds.top, bounds.right, bounds.bottom),
            Rect(0, 0, screenSize().width, screenSize().height));
  RECT client{};
  ::GetClientRect(overlay.hwnd(), &client);
  EXPECT_EQ(client.right, screenSize().width);
  EXPECT_EQ(client.bottom, screenSize().height);
}

// --- the preview box ------------------------------------------------------------------------

TEST_F(OverlayWindowTest, PreviewBoxIsATwentyFivePixelChildAtItsDefinedPlace) {
  ASSERT_EQ(dpiOf(overlay.hwnd()), 96);
  const HWND box = previewHwnd(overlay);
  ASSERT_TRUE(box);
  EXPECT_TRUE(::GetWindowLongW(box, GWL_STYLE) & WS_CHILD);
  const Rect expected = pixelRect(form2Definition().controls[0], 96);
  EXPECT_EQ(overlay.previewBox(), expected);
  EXPECT_EQ(expected.width(), 25);
  EXPECT_EQ(expected.height(), 25);
  RECT client{};
  ::GetClientRect(box, &client);
  EXPECT_EQ(client.right, 25) << "no border inside the box";
  EXPECT_EQ(client.bottom, 25);
}

TEST_F(OverlayWindowTest, PreviewBoxMovesWhereItIsPut) {
  const Size screen = screenSize();
  const Point places[] = {{0, 0}, {screen.width - 25, screen.height - 25}, {17, 301}, {-5, 40}};
  for (const Point& place : places) {
    overlay.movePreviewBox(place);
    EXPECT_EQ(overlay.previewBox(), Rect(place.x, place.y, place.x + 25, place.y + 25))
        << place.x << "," << place.y;
  }
}

// --- copying the screen ---------------------------------------------------------------------

// A plain visible top-level window of one colour.
class ColouredWindow {
 public:
  ColouredWindow(RECT where, COLORREF colour) : brush_(::CreateSolidBrush(colour)) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QoTestColouredWindow";
    ::RegisterClassW(&wc);
    hwnd_ = ::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, L"", WS_POPUP,
                              where.left, where.top, where.right - where.left,
                              where.bottom - where.top, nullptr, nullptr, wc.hInstance, nullptr);
    ::SetClassLongPtrW(hwnd_, GCLP_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(brush_.get()));
    ::ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
    ::UpdateWindow(hwnd_);
  }
  ColouredWindow(const ColouredWindow&) = delete;
  ColouredWindow& operator=(const ColouredWindow&) = delete;
  ~ColouredWindow() {
    ::DestroyWindow(hwnd_);
    pumpMessages(2);
  }

 private:
  UniqueBrush brush_;
  HWND hwnd_ = nullptr;
};

TEST_F(OverlayWindowTest, CopiesTheScreen) {
  constexpr COLORREF kGreen = RGB(12, 200, 34);
  const RECT where{100, 120, 160, 160};
  ColouredWindow marker(where, kGreen);
  ASSERT_TRUE(pumpUntil([&] {
    return screenPixel(100, 120) == kGreen && screenPixel(159, 159) == kGreen;
  })) << "the marker window never showed";

  Win32Screen screen;
  auto context = screen.getDC();
  overlay.copyFromScreen(*context, screen.size());
  const ImageView image = testing::overlayPixels(overlay);
  for (const POINT p : {POINT{100, 120}, POINT{159, 120}, POINT{100, 159}, POINT{159, 159}}) {
    EXPECT_EQ(image.at(p.x, p.y), imagePixel(kGreen)) << p.x << "," << p.y;
  }
  // Around the marker the copy holds whatever the screen shows.
  for (const POINT p : {POINT{99, 120}, POINT{160, 159}, POINT{130, 119}, POINT{130, 160},
                        POINT{0, 0}, POINT{screen.size().width - 1, screen.size().height - 1}}) {
    EXPECT_EQ(image.at(p.x, p.y), imagePixel(screenPixel(p.x, p.y))) << p.x << "," << p.y;
  }
}

// The starting colour is filled in only when first needed, and a copy of the whole
// image skips it: wherever no copy reached, the starting colour must still show.
TEST(PersistentImageStart, ShowsItsColourWhereverNoCopyReached) {
  constexpr COLORREF kStart = RGB(10, 20, 30);
  constexpr COLORREF kGreen = RGB(0, 200, 0);
  constexpr Size kSize{64, 48};
  PersistentImage source(kSize, kGreen);
  struct Case {
    const char* what;
    std::function<void(PersistentImage&)> copy;
    POINT copied;  // the copy's own area runs from (0, 0) to here
  };
  const Case cases[] = {
      {"nothing copied", [](PersistentImage&) {}, {0, 0}},
      {"a whole copy the system refused",
       [](PersistentImage& image) { image.copyFrom(nullptr, kSize); }, {0, 0}},
      {"a copy of the top-left quarter",
       [&](PersistentImage& image) { image.copyFrom(source.dc(), {32, 24}); }, {32, 24}},
      {"a whole copy", [&](PersistentImage& image) { image.copyFrom(source.dc(), kSize); },
       {64, 48}},
  };
  for (const Case& c : cases) {
    PersistentImage image(kSize, kStart);
    c.copy(image);
    const ImageView view = testing::pixelsOf(image.dc());
    for (const POINT p : {POINT{0, 0}, POINT{31, 23}, POINT{32, 24}, POINT{63, 47}}) {
      const bool copied = p.x < c.copied.x && p.y < c.copied.y;
      EXPECT_EQ(view.at(p.x, p.y), imagePixel(copied ? kGreen : kStart))
          << c.what << " at " << p.x << "," << p.y;
    }
  }
}

// A copy in pieces would tear whatever moves on the screen between them.
TEST(ScreenCopy, IsOneBlockWithBandsOnlyWhereTheSystemRefusesIt) {
  const RECT screen{0, 0, 3840, 2160};
  for (const LONG largest : {2160L, 1000L, 0L}) {  // the most rows the system copies at once
    std::vector<RECT> tried;
    int uncopied = 0;
    const auto copy = [&](const RECT& r) {
      tried.push_back(r);
      return r.bottom - r.top <= largest;
    };
    copyAsOneBlock(screen, copy, [&](const RECT&) { ++uncopied; });
    EXPECT_TRUE(::EqualRect(&tried.at(0), &screen)) << largest << ": first all at once";
    LONG top = 0;  // then, if refused, bands of the full width from top to bottom
    for (std::size_t i = 1; i < tried.size(); ++i) {
      top = tried[i].top == top && tried[i].right == 3840 ? tried[i].bottom : -1;
    }
    EXPECT_EQ(top, largest == 2160 ? 0 : 2160) << largest;
    EXPECT_EQ(uncopied, largest == 0 ? static_cast<int>(tried.size()) - 1 : 0) << largest;
  }
}

TEST_F(OverlayWindowTest, ANewCopyRepaintsTheWholeWindow) {
  overlay.show();
  pumpMessages();
  RECT pending{};
  ASSERT_FALSE(::GetUpdateRect(overlay.hwnd(), &pending, FALSE)) << "still painting";
  Win32Screen screen;
  auto context = screen.getDC();
  overlay.copyFromScreen(*context, screen.size());
  ASSERT_TRUE(::GetUpdateRect(overlay.hwnd(), &pending, FALSE));
  EXPECT_EQ(Rect(pending.left, pending.top, pending.right, pending.bottom),
            Rect(0, 0, screen.size().width, screen.size().height));
}

// --- drawing lines --------------------------------------------------------------------------

struct LineCase {
  const char* what;
  POINT from, to;
  int width;
  std::vector<POINT> coloured;
  std::vector<POINT> untouched;
};

const LineCase kLineCases[] = {
    {"width 1, horizontal",
     {200, 300},
     {260, 300},
     1,
     {{200, 300}, {230, 300}, {258, 300}},
     {{230, 299}, {230, 301}, {199, 300}, {261, 300}}},
    {"width 1, diagonal",
     {200, 400},
     {240, 440},
     1,
     {{200, 400}, {220, 420}, {239, 439}},
     {{221, 420}, {220, 421}}},
    {"width 9, horizontal, round ends",
     {400, 500},
     {460, 500},
     9,
     {{430, 500}, {430, 496}, {430, 504}, {396, 500}, {464, 500}, {400, 496}, {460, 504}},
     {{430, 494}, {430, 506}, {393, 500}, {467, 500}, {396, 496}, {464, 504}}},
    {"width 9, vertical, round ends",
     {600, 200},
     {600, 260},
     9,
     {{600, 230}, {596, 230}, {604, 230}, {600, 196}, {600, 264}},
     {{594, 230}, {606, 230}, {600, 193}, {600, 267}, {596, 196}, {604, 264}}},
    {"width 1, zero length leaves a dot",
     {50, 60},
     {50, 60},
     1,
     {{50, 60}},
     {{50, 59}, {50, 61}, {49, 60}}},
    {"width 9, zero length leaves a round dot",
     {80, 90},
     {80, 90},
     9,
     {{80, 90}, {77, 90}, {80, 87}, {80, 93}},
     {{74, 90}, {86, 90}, {80, 84}, {80, 96}, {76, 86}}},
};

TEST_F(OverlayWindowTest, DrawsSolidLinesWithRoundEnds) {
  constexpr Colour kRed = 0x000000FF;
  const std::uint32_t red = imagePixel(RGB(255, 0, 0));
  for (const LineCase& line : kLineCases) {
    overlay.drawLine({line.from.x, line.from.y}, {line.to.x, line.to.y}, line.width, kRed);
    const ImageView image = testing::overlayPixels(overlay);
    for (const POINT p : line.coloured) {
      EXPECT_EQ(image.at(p.x, p.y), red) << line.what << " at " << p.x << "," << p.y;
    }
    for (const POINT p : line.untouched) {
      EXPECT_NE(image.at(p.x, p.y), red) << line.what << " at " << p.x << "," << p.y;
    }
  }
}

// The image is kept in the file's own layout and written as it lies: the file holds
// exactly what the encoder makes of the image's pixels, lines included.
TEST_F(OverlayWindowTest, SavesItsImageAsTheEncoderWouldWriteIt) {
  overlay.drawLine({30, 40}, {300, 200}, 7, 0x0000FF00);
  testing::ScratchFolder folder;
  Win32FileSystem files;
  const std::wstring path = folder.file(L"picture.bmp");
  overlay.writeBitmapFile(files, path);
  EXPECT_EQ(testing::readWholeFile(path), encodeBmp(testing::overlayPixels(overlay)));
  EXPECT_EQ(folder.names(), std::vector<std::wstring>{L"picture.bmp"});
}

TEST_F(OverlayWindowTest, SystemColourLinesUseTheSystemsColour) {
  overlay.drawLine({300, 700}, {360, 700}, 9, 0x00FF0000);  // blue underneath
  overlay.drawLine({300, 700}, {360, 700}, 1, 0x8000000F);  // button face
  const ImageView image = testing::overlayPixels(overlay);
  EXPECT_EQ(image.at(330, 700), imagePixel(::GetSysColor(COLOR_BTNFACE)));
  EXPECT_EQ(image.at(330, 702), imagePixel(RGB(0, 0, 255)));
}

TEST_F(OverlayWindowTest, ALineInvalidatesOnlyItsOwnBoundsAndShows) {
  overlay.show();
  pumpMessages();
  RECT pending{};
  ASSERT_FALSE(::GetUpdateRect(overlay.hwnd(), &pending, FALSE)) << "still painting";

  overlay.drawLine({500, 300}, {540, 320}, 9, 0x0000FF00);
  ASSERT_TRUE(::GetUpdateRect(overlay.hwnd(), &pending, FALSE));
  // Holds the segment widened by the pen, and not much more.
  EXPECT_LE(pending.left, 500 - 4);
  EXPECT_LE(pending.top, 300 - 4);
  EXPECT_GE(pending.right, 540 + 5);
  EXPECT_GE(pending.bottom, 320 + 5);
  EXPECT_LE(pending.right - pending.left, 40 + 9 + 8);
  EXPECT_LE(pending.bottom - pending.top, 20 + 9 + 8);

  EXPECT_TRUE(pumpUntil([] { return screenPixel(520, 310) == RGB(0, 255, 0); }))
      << "the window does not show the line";
}

TEST_F(OverlayWindowTest, WindowShowsThePersistentImage) {
  overlay.drawLine({700, 600}, {800, 600}, 5, 0x00FF00FF);
  overlay.show();
  EXPECT_TRUE(pumpUntil([] { return screenPixel(750, 600) == RGB(255, 0, 255); }));
  const ImageView image = testing::overlayPixels(overlay);
  for (const POINT p : {POINT{0, 0}, POINT{640, 512}, POINT{750, 598}, POINT{1000, 900}}) {
    EXPECT_EQ(imagePixel(screenPixel(p.x, p.y)), image.at(p.x, p.y)) << p.x << "," << p.y;
  }
}

// --- showing a square in the preview box ----------------------------------------------------

// Draws a pattern in which every pixel of the square at (left, top) differs from
// its neighbours, one row at a time.
void drawPattern(Win32OverlayWindow& overlay, int left, int top) {
  for (int row = 0; row < 25; ++row) {
    const Colour colour =
        rgb(static_cast<unsigned>(row * 10), static_cast<unsigned>(250 - row * 9), 40);
    overlay.drawLine({left, top + row}, {left + 25, top + row}, 1, colour);
  }
  for (int column = 0; column < 25; column += 3) {
    overlay.drawLine({left + column, top}, {left + column, top + 25}, 1,
                     rgb(255, static_cast<unsigned>(column * 10), 200));
  }
}

// What the box shows, read from its own device context.
std::vector<COLORREF> boxPixels(HWND box) {
  WindowDc dc(box);
  std::vector<COLORREF> pixels;
  for (int y = 0; y < 25; ++y) {
    for (int x = 0; x < 25; ++x) pixels.push_back(::GetPixel(dc.get(), x, y));
  }
  return pixels;
}

class PreviewTest : public OverlayWindowTest {
 protected:
  void SetUp() override {
    drawPattern(overlay, 300, 300);
    drawPattern(overlay, 0, 0);
    const Size screen = screenSize();
    drawPattern(overlay, screen.width - 25, screen.height - 25);
    overlay.movePreviewBox({600, 600});
    overlay.show();
    pumpMessages();
    box = previewHwnd(overlay);
    ASSERT_TRUE(box);
  }

  // The colour the box should show for box pixel (x, y) of source.
  COLORREF expected(const Rect& source, int x, int y) {
    const int ix = source.left + x;
    const int iy = source.top + y;
    const ImageView image = testing::overlayPixels(overlay);
    if (ix < 0 || iy < 0 || ix >= image.width || iy >= image.height) return RGB(128, 128, 128);
    const std::uint32_t p = image.at(ix, iy);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

  HWND box = nullptr;
};

TEST_F(PreviewTest, ShowsTheSquareOneToOne) {
  const Size screen = screenSize();
  const Rect squares[] = {
      {300, 300, 325, 325},  // fully inside
      {0, 0, 25, 25},        // touching the top-left corner
      {screen.width - 25, screen.height - 25, screen.width, screen.height},
      {-12, -12, 13, 13},  // reaching outside on the top and left
      {screen.width - 13, screen.height - 13, screen.width + 12, screen.height + 12},
      {-100, -100, -75, -75},  // entirely outside
  };
  for (const Rect& source : squares) {
    overlay.showInPreviewBox(source);
    const std::vector<COLORREF> shown = boxPixels(box);
    int wrong = 0;
    for (int y = 0; y < 25; ++y) {
      for (int x = 0; x < 25; ++x) {
        const COLORREF want = expected(source, x, y);
        if (shown[static_cast<std::size_t>(y * 25 + x)] != want && ++wrong <= 3) {
          ADD_FAILURE() << "square at " << source.left << "," << source.top << ": box pixel " << x
                        << "," << y << " is " << std::hex
                        << shown[static_cast<std::size_t>(y * 25 + x)] << ", expected " << want;
        }
      }
    }
    EXPECT_EQ(wrong, 0) << "square at " << source.left << "," << source.top;
  }
}

TEST_F(PreviewTest, IsNotPartOfThePersistentImage) {
  const ImageView image = testing::overlayPixels(overlay);
  const std::uint32_t before = image.at(610, 610);
  overlay.showInPreviewBox({300, 300, 325, 325});
  EXPECT_EQ(testing::overlayPixels(overlay).at(610, 610), before);
}

// --- mouse messages -------------------------------------------------------------------------

LPARAM at(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)),
                    static_cast<WORD>(static_cast<short>(y)));
}

TEST_F(OverlayWindowTest, MouseMessagesReachTheHandlers) {
  const struct {
    UINT message;
    WPARAM keys;
    LPARAM where;
    MouseCall expected;
  } cases[] = {
      {WM_MOUSEMOVE, 0, at(10, 20), {ControlEvent::MouseMove, 0, 0, 10, 20}},
      {WM_MOUSEMOVE, MK_LBUTTON, at(11, 21), {ControlEvent::MouseMove, 1, 0, 11, 21}},
      {WM_MOUSEMOVE, MK_LBUTTON | MK_RBUTTON, at(640, 512), {ControlEvent::MouseMove, 3, 0, 640, 512}},
      {WM_MOUSEMOVE, MK_MBUTTON, at(1279, 1023), {ControlEvent::MouseMove, 4, 0, 1279, 1023}},
      {WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, at(5, 6), {ControlEvent::MouseMove, 1, 1, 5, 6}},
      {WM_MOUSEMOVE, MK_CONTROL, at(5, 6), {ControlEvent::MouseMove, 0, 2, 5, 6}},
      {WM_MOUSEMOVE, MK_LBUTTON, at(-3, -4), {ControlEvent::MouseMove, 1, 0, -3, -4}},
      {WM_LBUTTONDOWN, MK_LBUTTON, at(30, 40), {ControlEvent::MouseDown, 1, 0, 30, 40}},
      {WM_RBUTTONDOWN, MK_RBUTTON, at(31, 41), {ControlEvent::MouseDown, 2, 0, 31, 41}},
      {WM_MBUTTONDOWN, MK_MBUTTON, at(32, 42), {ControlEvent::MouseDown, 4, 0, 32, 42}},
      {WM_LBUTTONDOWN, MK_LBUTTON | MK_RBUTTON, at(33, 43), {ControlEvent::MouseDown, 1, 0, 33, 43}},
      {WM_RBUTTONDBLCLK, MK_RBUTTON, at(34, 44), {ControlEvent::MouseDown, 2, 0, 34, 44}},
      {WM_LBUTTONDBLCLK, MK_LBUTTON, at(35, 45), {ControlEvent::DblClick, 1, 0, 35, 45}},
      {WM_LBUTTONUP, 0, at(36, 46), {ControlEvent::MouseUp, 1, 0, 36, 46}},
      {WM_RBUTTONUP, 0, at(37, 47), {ControlEvent::MouseUp, 2, 0, 37, 47}},
      {WM_MBUTTONUP, MK_LBUTTON, at(38, 48), {ControlEvent::MouseUp, 4, 0, 38, 48}},
  };
  for (const auto& c : cases) {
    events.calls.clear();
    ::SendMessageW(overlay.hwnd(), c.message, c.keys, c.where);
    ASSERT_EQ(events.calls.size(), 1u) << std::hex << c.message;
    EXPECT_EQ(events.calls[0], c.expected);
  }
}

TEST_F(OverlayWindowTest, HoldsTheMouseWhileAnyButtonIsHeld) {
  overlay.show();
  const std::pair<UINT, WPARAM> steps[] = {  // with the buttons held after each
      {WM_LBUTTONDOWN, MK_LBUTTON}, {WM_RBUTTONDOWN, MK_LBUTTON | MK_RBUTTON},
      {WM_LBUTTONUP, MK_RBUTTON},   {WM_RBUTTONUP, 0},
      {WM_MBUTTONDOWN, MK_MBUTTON}, {WM_MBUTTONUP, 0}};
  for (const auto& [message, keys] : steps) {
    ::SendMessageW(overlay.hwnd(), message, keys, at(10, 10));
    EXPECT_EQ(::GetCapture() == overlay.hwnd(), keys != 0) << std::hex << message;
  }
}

TEST_F(OverlayWindowTest, MouseOverThePreviewBoxDoesNotReachTheHandlers) {
  const HWND box = previewHwnd(overlay);
  ::SendMessageW(box, WM_LBUTTONDOWN, MK_LBUTTON, at(3, 3));
  ::SendMessageW(box, WM_MOUSEMOVE, MK_LBUTTON, at(4, 4));
  EXPECT_TRUE(events.calls.empty());
}

// --- icons and pointer ----------------------------------------------------------------------

TEST_F(OverlayWindowTest, LoadsACursorFileAsItsMouseIcon) {
  testing::ScratchFolder folder;
  ASSERT_TRUE(testing::writeWholeFile(folder.file(L"HAND-M.CUR"), testing::tinyCursorFile()));
  const long cursors = HandleCounts::live(HandleKind::Cursor);
  overlay.loadMouseIcon(folder.file(L"HAND-M.CUR"));
  EXPECT_EQ(HandleCounts::live(HandleKind::Cursor), cursors + 1);
  overlay.loadMouseIcon(folder.file(L"HAND-M.CUR"));  // a second load replaces the first
  EXPECT_EQ(HandleCounts::live(HandleKind::Cursor), cursors + 1);
}

TEST_F(OverlayWindowTest, AFileThatIsNoCursorFails) {
  testing::ScratchFolder folder;
  ASSERT_TRUE(testing::writeWholeFile(folder.file(L"HAND-M.CUR"), {'n', 'o', 't', ' ', 'a'}));
  const LiveHandles start;
  for (const std::wstring& path : {folder.file(L"HAND-M.CUR"), folder.file(L"absent.cur")}) {
    try {
      overlay.loadMouseIcon(path);
      ADD_FAILURE() << "no Failure";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.description(), L"HAND-M.CUR could not be read as a cursor.");
    }
  }
  EXPECT_EQ(LiveHandles(), start);
}

TEST_F(OverlayWindowTest, ApplicationIconComesFromTheProgramFile) {
  const bool hasIcon =
      ::FindResourceW(nullptr, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), RT_GROUP_ICON) != nullptr;
  const LiveHandles start;
  if (hasIcon) {
    overlay.setApplicationIcon();
    EXPECT_NE(::SendMessageW(overlay.hwnd(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(::SendMessageW(overlay.hwnd(), WM_GETICON, ICON_SMALL, 0), 0);
  } else {
    // This test program carries no icon: the load fails and holds nothing.
    EXPECT_THROW(overlay.setApplicationIcon(), Failure);
    EXPECT_EQ(LiveHandles(), start);
  }
}

// --- handles --------------------------------------------------------------------------------

TEST(OverlayWindowHandles, CountsArePublishedForAProbeToRead) {
  // The section exists once a handle has been counted.
  std::optional<UniqueBrush> brush(std::in_place, ::CreateSolidBrush(RGB(1, 2, 3)));
  const HANDLE section = ::OpenFileMappingW(
      FILE_MAP_READ, FALSE, handleCountsSectionName(::GetCurrentProcessId()).c_str());
  ASSERT_TRUE(section);
  const auto* published = static_cast<const volatile LONG*>(::MapViewOfFile(
      section, FILE_MAP_READ, 0, 0, sizeof(LONG) * static_cast<int>(HandleKind::Count)));
  ASSERT_TRUE(published);
  const auto brushes = [&] { return published[static_cast<int>(HandleKind::Brush)]; };
  const long before = brushes();
  EXPECT_EQ(before, HandleCounts::live(HandleKind::Brush));
  brush.reset();
  EXPECT_EQ(brushes(), before - 1);
  ::UnmapViewOfFile(const_cast<LONG*>(published));
  ::CloseHandle(section);
}

TEST(OverlayWindowHandles, DestroyingTheWindowReleasesEverything) {
  pumpMessages(1);
  const LiveHandles start;
  HWND hwnd = nullptr;
  HWND box = nullptr;
  {
    RecordingEvents events;
    auto overlay = std::make_unique<Win32OverlayWindow>(events);
    hwnd = overlay->hwnd();
    box = previewHwnd(*overlay);
    EXPECT_NE(LiveHandles(), start);
    overlay->drawLine({10, 10}, {100, 100}, 5, 0x000000FF);
    overlay->show();
    pumpMessages(2);
    overlay->showInPreviewBox({-5, -5, 20, 20});
    overlay.reset();
  }
  EXPECT_EQ(LiveHandles(), start);
  EXPECT_FALSE(::IsWindow(hwnd));
  EXPECT_FALSE(::IsWindow(box));
  EXPECT_EQ(::FindWindowW(L"QuillmarkOrvaneOverlay", nullptr), nullptr);
}

TEST(OverlayWindowHandles, RepeatedBuildsDoNotGrowTheCounts) {
  const LiveHandles start;
  Win32Screen screen;
  for (int cycle = 0; cycle < 20; ++cycle) {
    RecordingEvents events;
    Win32OverlayWindow overlay(events);
    auto context = screen.getDC();
    overlay.copyFromScreen(*context, screen.size());
    context.reset();
    overlay.drawLine({10, 10}, {100, 100}, 1 + cycle % 5, rgb(static_cast<unsigned>(cycle), 0, 0));
    overlay.showInPreviewBox({-5, -5, 20, 20});
    overlay.show();
    pumpMessages(1);
  }
  EXPECT_EQ(LiveHandles(), start);
}

}  // namespace
}  // namespace qo::win32
