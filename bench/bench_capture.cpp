// Copying the whole screen into a screen-sized DIB section, next to a plain
// memory copy of the same number of bytes.
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
  report.line(format("RESULT capture_ms %dx%d %.3f %.3f", screen.width, screen.height,
                     capture.median, capture.min));
  report.line(format("RESULT memcpy_ms %dx%d %.3f %.3f", screen.width, screen.height, copy.median,
                     copy.min));
}

}  // namespace qo::bench
