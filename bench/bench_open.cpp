// Opening the overlay, next to the least any program must do to show a copy of
// the screen: GetDC + BitBlt into a screen-sized DIB section + a full-screen
// window shown and painted.  Also the peak memory of each, each alone in a fresh
// process (qo_bench.exe --peak-overlay / --peak-copy).
// clang-format off
#include "bench_support.h"  // brings <windows.h>, which <psapi.h> needs first
#include <psapi.h>
// clang-format on

#include <algorithm>

namespace qo::bench {

namespace {

constexpr int kOpenRounds = 15;
constexpr wchar_t kCopyClass[] = L"QoBenchScreenCopy";

// The yardstick: a borderless full-screen window that shows its own copy of the
// screen, made the plainest way.
class ScreenCopyWindow {
 public:
  explicit ScreenCopyWindow(Size screen) : screen_(screen) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), screen.width, -screen.height, 1, 32, BI_RGB};
    dc_ = ::CreateCompatibleDC(nullptr);
    void* bits = nullptr;
    bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    old_ = ::SelectObject(dc_, bitmap_);
    HDC screenDc = ::GetDC(nullptr);
    ::BitBlt(dc_, 0, 0, screen.width, screen.height, screenDc, 0, 0, SRCCOPY);
    ::ReleaseDC(nullptr, screenDc);
    window_ = ::CreateWindowExW(WS_EX_TOOLWINDOW, kCopyClass, L"", WS_POPUP, 0, 0, screen.width,
                                screen.height, nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    ::ShowWindow(window_, SW_SHOW);
    ::UpdateWindow(window_);
  }
  ScreenCopyWindow(const ScreenCopyWindow&) = delete;
  ScreenCopyWindow& operator=(const ScreenCopyWindow&) = delete;
  ~ScreenCopyWindow() {
    ::DestroyWindow(window_);
    ::SelectObject(dc_, old_);
    ::DeleteObject(bitmap_);
    ::DeleteDC(dc_);
  }

  static void registerClass() {
    WNDCLASSEXW wc{sizeof(wc)};
    wc.lpfnWndProc = procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kCopyClass;
    ::RegisterClassExW(&wc);
  }

 private:
  static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
      ::SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message == WM_PAINT) {
      auto* self = reinterpret_cast<ScreenCopyWindow*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
      PAINTSTRUCT paint;
      HDC dc = ::BeginPaint(window, &paint);
      const RECT& r = paint.rcPaint;
      ::BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, self->dc_, r.left, r.top,
               SRCCOPY);
      ::EndPaint(window, &paint);
      return 0;
    } else if (message == WM_ERASEBKGND) {
      return 1;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
  }

  Size screen_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  HWND window_ = nullptr;
};

void pumpFor(BenchProgram& program, double ms) {
  const double end = nowMs() + ms;
  while (nowMs() < end) {
    program.events.doEvents();
    ::Sleep(5);
  }
}

double peakResidentBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.PeakWorkingSetSize);
}

double residentBytes() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof(counters);
  ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof(counters));
  return static_cast<double>(counters.WorkingSetSize);
}

class NoEvents final : public FormEvents {
 public:
  void raise(std::wstring_view, ControlEvent, const MouseArgs&) override {}
};

void stageLine(Report& report, const char* stage) {
  report.line(format("  %-40s resident %9s   peak %9s", stage, megabytes(residentBytes()).c_str(),
                     megabytes(peakResidentBytes()).c_str()));
}

}  // namespace

// Where the overlay's memory goes, step by step as "Start Drawing" takes them.
void benchOverlayStages(Report& report, BenchProgram& program) {
  NoEvents events;
  stageLine(report, "at start");
  auto overlay = program.overlays.buildOverlay(events);
  stageLine(report, "overlay built (image filled), hidden");
  {
    const auto screenDc = program.screen.getDC();
    overlay->copyFromScreen(*screenDc, program.screen.size());
    ::GdiFlush();
  }
  stageLine(report, "screen copied in");
  overlay->show();
  stageLine(report, "shown");
  pumpFor(program, 300);
  stageLine(report, "shown and painted");
}

void benchOpenAgainstCopy(Report& report, BenchProgram& program) {
  report.heading("Start Drawing to overlay shown, against GetDC + BitBlt + show of the same screen");
  ScreenCopyWindow::registerClass();
  const Size screen = program.screen.size();
  program.startDrawing();  // the first build of the overlay loads what it needs once
  std::vector<double> open;
  std::vector<double> copy;
  for (int round = 0; round < kOpenRounds; ++round) {
    program.closeOverlay();
    open.push_back(timeMs([&] {
      program.startDrawing();
      ::UpdateWindow(program.overlayWindow());
      ::GdiFlush();
    }));
    copy.push_back(timeMs([&] {
      ScreenCopyWindow window(screen);
      ::GdiFlush();
    }));
    program.events.doEvents();
  }
  const Stats openStats = statsOf(open);
  const Stats copyStats = statsOf(copy);
  report.figure("Start Drawing (closed overlay) + UpdateWindow", openStats);
  report.figure("GetDC + BitBlt + show a full-screen copy", copyStats);
  report.line(format("RESULT open_ms %dx%d %.3f %.3f", screen.width, screen.height,
                     openStats.median, openStats.min));
  report.line(format("RESULT copy_show_ms %dx%d %.3f %.3f", screen.width, screen.height,
                     copyStats.median, copyStats.min));
}

// One of the two alone in this process; prints the peak resident memory.
void benchPeakMemory(Report& report, BenchProgram& program, bool overlay) {
  const double before = peakResidentBytes();
  if (overlay) {
    program.startDrawing();
    pumpFor(program, 500);
  } else {
    ScreenCopyWindow::registerClass();
    ScreenCopyWindow window(program.screen.size());
    pumpFor(program, 500);
  }
  const Size screen = program.screen.size();
  report.line(format("PEAK %s %dx%d %.0f %.0f", overlay ? "overlay" : "copy", screen.width,
                     screen.height, before, peakResidentBytes()));
}

}  // namespace qo::bench
