#pragma once

// Shared pieces of the benchmark: a clock, sample statistics, the report, and a
// real Win32 platform for driving the overlay the way the program does.
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "base/platform.h"
#include "forms/form1.h"
#include "overlay/form2.h"
#include "fakes/headless_main_window.h"
#include "fakes/memory_settings_store.h"
#include "platform/win32/handles.h"
#include "platform/win32/overlay_window_win32.h"
#include "platform/win32/services_win32.h"

namespace qo::bench {

// QueryPerformanceCounter in milliseconds.
double nowMs();

// Milliseconds taken by one call of work.
template <class Work>
double timeMs(Work&& work) {
  const double start = nowMs();
  work();
  return nowMs() - start;
}

// Makes the compiler assume the memory behind data is read here, so work whose
// result is otherwise unused is not optimised away.
inline void keepAlive(const void* data) { __asm__ __volatile__("" : : "r"(data) : "memory"); }

struct Stats {
  double median = 0;
  double min = 0;
  double p90 = 0;
  std::size_t count = 0;
};

Stats statsOf(std::vector<double> samples);

// Times work repeats times after one untimed warm-up call.
template <class Work>
Stats measure(int repeats, Work&& work) {
  work();
  std::vector<double> samples;
  samples.reserve(static_cast<std::size_t>(repeats));
  for (int i = 0; i < repeats; ++i) samples.push_back(timeMs(work));
  return statsOf(std::move(samples));
}

// Lines go to stdout and to the report file as they are written, so a run that
// stops early still leaves what it measured.
class Report {
 public:
  explicit Report(const std::string& path);
  Report(const Report&) = delete;
  Report& operator=(const Report&) = delete;
  ~Report();

  void line(const std::string& text);
  void heading(const std::string& text);
  // "label: median X ms, min Y ms, p90 Z ms (n = N)".
  void figure(const std::string& label, const Stats& stats);
  bool fileOpen() const { return file_ != nullptr; }

 private:
  std::FILE* file_ = nullptr;
};

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string megabytes(double bytes);

// Message boxes that never wait for anyone: an unattended run must not stop at an
// error report.  The first box of each text is written to the report instead.
class ReportedMessageBoxes final : public MessageBoxes {
 public:
  explicit ReportedMessageBoxes(Report& report) : report_(report) {}
  void show(std::wstring_view text, std::wstring_view title, unsigned style) override;
  // How many boxes of each text were shown.
  void summarise() const;

 private:
  Report& report_;
  std::map<std::string, int> shown_;
};

// The program's own Win32 services in one bundle, with the main window's handlers
// on top, so the overlay is opened, drawn on and closed by the real code.
class BenchProgram {
 public:
  // The main window in memory as "Start Drawing" and the close handler see it: the
  // check box clear (no hint, no minimising), thickness 5 and red.
  explicit BenchProgram(Report& report) : messages(report) {
    mainWindow.setText1Text(L"5");
    mainWindow.setPicture1BackColor(rgb(255, 0, 0));
  }

  // "Start Drawing", then every pending event delivered.
  Form2& startDrawing();
  HWND overlayWindow();
  void closeOverlay();

  win32::Win32Application app;
  ReportedMessageBoxes messages;
  win32::Win32Locale locale;
  win32::Win32Clock clock;
  win32::Win32EventPump events;
  win32::Win32FileSystem files;
  win32::Win32Screen screen;
  win32::Win32OverlayHost overlays;
  MemorySettingsStore settings;
  Platform platform{app, messages, locale, clock, events, files, screen, overlays, settings};
  HeadlessMainWindow mainWindow;
  Form1 form1{platform, mainWindow};
};

// A path of pointer positions: a closed figure of steps of a few pixels, the
// same on every screen size, so the work per move is the same.
struct PathPoint {
  float x;
  float y;
};
std::vector<PathPoint> drawingPath(int points);

// One pointer movement over the overlay as its window would raise it, then the
// WM_PAINT it caused; each part in milliseconds.
struct MoveTiming {
  double move = 0;
  double paint = 0;
};
MoveTiming moveAndPaint(Form2& form, HWND overlay, int buttons, PathPoint point);

// The sections of the run, in the order main runs them.
void benchCapture(Report& report, Size screen);
void benchBitmapSave(Report& report, BenchProgram& program);
void benchOverlay(Report& report, BenchProgram& program);
void benchOpenAgainstCopy(Report& report, BenchProgram& program);
// Alone in a fresh process: the overlay opened (overlay) or the plainest full-screen
// copy of the screen shown; prints "PEAK <what> <size> <before> <peak>" in bytes.
void benchPeakMemory(Report& report, BenchProgram& program, bool overlay);
void benchOverlayStages(Report& report, BenchProgram& program);

// Live GDI and USER objects and private memory at named points of the run.
class ObjectLog {
 public:
  void record(const std::string& point);
  void print(Report& report) const;

 private:
  struct Snapshot {
    std::string point;
    DWORD systemGdi = 0;
    DWORD systemUser = 0;
    DWORD systemError = 0;
    long kinds[static_cast<int>(win32::HandleKind::Count)] = {};
    long ownGdi = 0;
    long ownUser = 0;
    int threadWindows = 0;
    double privateUsage = 0;
    double pagefileUsage = 0;
    double committedPrivate = 0;
  };
  std::vector<Snapshot> snapshots_;
};

void benchObjects(Report& report, BenchProgram& program, ObjectLog& log);

}  // namespace qo::bench
