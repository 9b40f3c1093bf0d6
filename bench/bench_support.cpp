#include "bench_support.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>

namespace qo::bench {

double nowMs() {
  static const double ticksPerMs = [] {
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart) / 1000.0;
  }();
  LARGE_INTEGER now{};
  ::QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / ticksPerMs;
}

Stats statsOf(std::vector<double> samples) {
  Stats stats;
  stats.count = samples.size();
  if (samples.empty()) return stats;
  std::sort(samples.begin(), samples.end());
  const std::size_t n = samples.size();
  stats.min = samples.front();
  stats.median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
  stats.p90 = samples[std::min(n - 1, (n * 9) / 10)];
  return stats;
}

Report::Report(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}

Report::~Report() {
  if (file_) std::fclose(file_);
}

void Report::line(const std::string& text) {
  std::fputs(text.c_str(), stdout);
  std::fputs("\n", stdout);
  std::fflush(stdout);
  if (!file_) return;
  std::fputs(text.c_str(), file_);
  std::fputs("\n", file_);
  std::fflush(file_);
}

void Report::heading(const std::string& text) {
  line("");
  line("== " + text);
}

void Report::figure(const std::string& label, const Stats& stats) {
  line(format("  %-46s median %9.3f ms   min %9.3f ms   p90 %9.3f ms   (n = %u)", label.c_str(),
              stats.median, stats.min, stats.p90, static_cast<unsigned>(stats.count)));
}

std::string format(const char* pattern, ...) {
  char buffer[512];
  va_list args;
  va_start(args, pattern);
  std::vsnprintf(buffer, sizeof buffer, pattern, args);
  va_end(args);
  return buffer;
}

std::string megabytes(double bytes) { return format("%.1f MB", bytes / (1024.0 * 1024.0)); }

namespace {

std::string narrow(std::wstring_view text) {
  std::string out;
  for (wchar_t c : text) out += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace

void ReportedMessageBoxes::show(std::wstring_view text, std::wstring_view title, unsigned) {
  const std::string box = "\"" + narrow(title) + "\": " + narrow(text);
  if (shown_[box]++ == 0) report_.line("  !! message box " + box + " (reported once)");
}

void ReportedMessageBoxes::summarise() const {
  int total = 0;
  for (const auto& [box, count] : shown_) total += count;
  report_.line(format("message boxes during the run: %d", total));
  for (const auto& [box, count] : shown_) report_.line(format("  %5d x ", count) + box);
}

Form2& BenchProgram::startDrawing() {
  form1.PushButton2_Click();
  events.doEvents();
  return form1.form2();
}

HWND BenchProgram::overlayWindow() {
  auto& window = dynamic_cast<win32::Win32OverlayWindow&>(form1.form2().window());
  return window.hwnd();
}

void BenchProgram::closeOverlay() {
  form1.form2().Form_DblClick();
  events.doEvents();
}

std::vector<PathPoint> drawingPath(int points) {
  std::vector<PathPoint> path;
  path.reserve(static_cast<std::size_t>(points));
  for (int i = 0; i < points; ++i) {
    const double t = 0.01 * i;  // steps of at most about 7 pixels
    path.push_back({static_cast<float>(std::lround(700.0 + 400.0 * std::sin(t))),
                    static_cast<float>(std::lround(500.0 + 300.0 * std::sin(2.0 * t)))});
  }
  return path;
}

}  // namespace qo::bench
