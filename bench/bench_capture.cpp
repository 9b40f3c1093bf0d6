// Copying the whole screen into a screen-sized DIB section, next to a plain
// memory copy of the same number of bytes.
#include <algorithm>
#include <cstring>
#include <vector>

#include "bench_support.h"
#include "platform/win32/persistent_image.h"

namespace qo::bench {

namespace {

constexpr int kCaptureRepeats = 15;
constexpr int kCopyRepeats = 30;

Stats timeScreenCapture(win32::PersistentImage& image, Size screen) {
  return measure(kCaptureRepeats, [&] {
    win32::WindowDc screenDc(nullptr);
    ::BitBlt(image.dc(), 0, 0, screen.width, screen.height, screenDc.get(), 0, 0, SRCCOPY);
    ::GdiFlush();
  });
}

Stats timeMemoryCopy(std::size_t bytes) {
  std::vector<unsigned char> from(bytes, 0x5A);
  std::vector<unsigned char> to(bytes);
  return measure(kCopyRepeats, [&] {
    std::memcpy(to.data(), from.data(), bytes);
    keepAlive(to.data());
  });
}

// A bare DIB section of the given depth, rows bottom-up (the bitmap file's order),
// selected into a memory DC.
struct BareDib {
  BareDib(Size size, int bits) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = size.width;
    info.bmiHeader.biHeight = size.height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    info.bmiHeader.biCompression = BI_RGB;
    dc = ::CreateCompatibleDC(nullptr);
    void* pixels = nullptr;
    bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    old = ::SelectObject(dc, bitmap);
  }
  ~BareDib() {
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(dc);
  }
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
};

// The pixel layout of the persistent image decides what capture, drawing and
// painting cost: the same work into 32- and 24-bit bottom-up DIB sections.
void compareDepths(Report& report, Size screen) {
  for (int bits : {32, 24}) {
    BareDib dib(screen, bits);
    report.figure(format("%d-bit DIB: GetDC(NULL) + BitBlt + ReleaseDC", bits),
                  measure(kCaptureRepeats, [&] {
                    win32::WindowDc screenDc(nullptr);
                    ::BitBlt(dib.dc, 0, 0, screen.width, screen.height, screenDc.get(), 0, 0,
                             SRCCOPY);
                    ::GdiFlush();
                  }));
    const int band = std::max(1, (4 << 20) / (screen.width * 4));
    report.figure(format("%d-bit DIB: the same in bands of %d rows", bits, band),
                  measure(kCaptureRepeats, [&] {
                    win32::WindowDc screenDc(nullptr);
                    for (int top = 0; top < screen.height; top += band) {
                      ::BitBlt(dib.dc, 0, top, screen.width, std::min(band, screen.height - top),
                               screenDc.get(), 0, top, SRCCOPY);
                    }
                    ::GdiFlush();
                  }));
    win32::UniquePen pen(::CreatePen(PS_SOLID, 5, RGB(255, 0, 0)));
    const HGDIOBJ oldPen = ::SelectObject(dib.dc, pen.get());
    int step = 0;
    report.figure(format("%d-bit DIB: one 5-pixel line segment of ~8 px", bits),
                  measure(2000, [&] {
                    const int x = 100 + (step * 7) % 800;
                    const int y = 100 + (step * 3) % 600;
                    ::MoveToEx(dib.dc, x, y, nullptr);
                    ::LineTo(dib.dc, x + 6, y + 5);
                    ::GdiFlush();
                    ++step;
                  }));
    ::SelectObject(dib.dc, oldPen);
    report.figure(format("%d-bit DIB: BitBlt of the whole image to the screen", bits),
                  measure(kCaptureRepeats, [&] {
                    win32::WindowDc screenDc(nullptr);
                    ::BitBlt(screenDc.get(), 0, 0, screen.width, screen.height, dib.dc, 0, 0,
                             SRCCOPY);
                    ::GdiFlush();
                  }));
  }
}

}  // namespace

void benchCapture(Report& report, Size screen) {
  report.heading(format("Capture of the full screen (%d x %d, 32-bit DIB section)", screen.width,
                        screen.height));
  const std::size_t bytes = static_cast<std::size_t>(screen.width) * screen.height * 4;
  win32::PersistentImage image(screen, RGB(240, 240, 240));
  const Stats capture = timeScreenCapture(image, screen);
  const Stats copy = timeMemoryCopy(bytes);
  report.figure("GetDC(NULL) + BitBlt SRCCOPY + ReleaseDC", capture);
  report.figure("memcpy of the same " + megabytes(static_cast<double>(bytes)), copy);
  report.line(format("  capture / memcpy (medians): %.1f x   capture throughput: %.0f MB/s",
                     capture.median / copy.median,
                     static_cast<double>(bytes) / (1024.0 * 1024.0) / (capture.median / 1000.0)));
  compareDepths(report, screen);
  report.line(format("RESULT capture_ms %dx%d %.3f %.3f", screen.width, screen.height,
                     capture.median, capture.min));
  report.line(format("RESULT memcpy_ms %dx%d %.3f %.3f", screen.width, screen.height, copy.median,
                     copy.min));
}

}  // namespace qo::bench
