// Live GDI and USER objects and private memory over a long drawing session and
// many open-close cycles of the overlay.  Wine's GetGuiResources answers 0, so
// the program's own handle counts and the process's private bytes tell instead.
// clang-format off
#include "bench_support.h"  // brings <windows.h>, which <psapi.h> needs first
#include <psapi.h>
// clang-format on

namespace qo::bench {

namespace {

constexpr int kSessionMoves = 10000;
constexpr int kMovesPerPen = 1000;  // width and colour change this often in the session
constexpr int kCycles = 50;
constexpr int kMovesPerCycle = 20;

BOOL CALLBACK countWindow(HWND, LPARAM counter) {
  ++*reinterpret_cast<int*>(counter);
  return TRUE;
}

BOOL CALLBACK countWindowAndChildren(HWND window, LPARAM counter) {
  ++*reinterpret_cast<int*>(counter);
  ::EnumChildWindows(window, countWindow, counter);
  return TRUE;
}

// Every window of this thread, top-level and child, as the system sees them.
int threadWindows() {
  int count = 0;
  ::EnumThreadWindows(::GetCurrentThreadId(), countWindowAndChildren,
                      reinterpret_cast<LPARAM>(&count));
  return count;
}

PROCESS_MEMORY_COUNTERS_EX memoryCounters() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof(counters);
  ::GetProcessMemoryInfo(::GetCurrentProcess(),
                         reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof(counters));
  return counters;
}

// Committed private pages of the whole address space, region by region: DIB
// sections and heaps both show here, whatever the memory counters report.
double committedPrivateBytes() {
  double total = 0;
  const char* address = nullptr;
  MEMORY_BASIC_INFORMATION region{};
  while (::VirtualQuery(address, &region, sizeof(region)) == sizeof(region)) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
      total += static_cast<double>(region.RegionSize);
    }
    const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

void drawSession(BenchProgram& program, Form2& form, Report& report) {
  const HWND overlay = program.overlayWindow();
  const std::vector<PathPoint> path = drawingPath(kSessionMoves);
  std::vector<double> firstPen;
  std::vector<double> lastPen;
  form.Form_MouseMove(0, 0, path.front().x, path.front().y);
  for (int i = 0; i < kSessionMoves; ++i) {
    if (i % kMovesPerPen == 0) {
      const int pen = i / kMovesPerPen;
      form.m_Width = static_cast<std::int16_t>(1 + pen);
      form.m_Color = rgb(static_cast<unsigned>(pen * 25), 0, static_cast<unsigned>(255 - pen * 25));
    }
    const MoveTiming t = moveAndPaint(form, overlay, 1, path[static_cast<std::size_t>(i)]);
    if (i < kMovesPerPen) firstPen.push_back(t.move + t.paint);
    if (i >= kSessionMoves - kMovesPerPen) lastPen.push_back(t.move + t.paint);
    if (i % 100 == 99) program.events.doEvents();
  }
  program.events.doEvents();
  report.figure("session: move + paint, first 1,000 (width 1)", statsOf(firstPen));
  report.figure("session: move + paint, last 1,000 (width 10)", statsOf(lastPen));
}

void openCloseCycles(BenchProgram& program, ObjectLog& log, Report& report) {
  std::vector<double> opens;
  std::vector<double> closes;
  for (int cycle = 1; cycle <= kCycles; ++cycle) {
    opens.push_back(timeMs([&] { program.startDrawing(); }));
    Form2& form = program.form1.form2();
    const HWND overlay = program.overlayWindow();
    const std::vector<PathPoint> path = drawingPath(kMovesPerCycle);
    for (const PathPoint& point : path) moveAndPaint(form, overlay, 1, point);
    closes.push_back(timeMs([&] { program.closeOverlay(); }));
    if (cycle == 1 || cycle == 10 || cycle == kCycles) {
      log.record(format("after %d open-close cycle%s", cycle, cycle == 1 ? "" : "s"));
    }
  }
  report.figure("Start Drawing on a closed overlay (cycles)", statsOf(opens));
  report.figure("close (Form_DblClick + events)", statsOf(closes));
}

}  // namespace

void ObjectLog::record(const std::string& point) {
  Snapshot s;
  s.point = point;
  ::SetLastError(0);
  s.systemGdi = ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS);
  s.systemUser = ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS);
  s.systemError = ::GetLastError();
  for (int k = 0; k < static_cast<int>(win32::HandleKind::Count); ++k) {
    s.kinds[k] = win32::HandleCounts::live(static_cast<win32::HandleKind>(k));
  }
  s.ownGdi = win32::HandleCounts::liveGdi();
  s.ownUser = win32::HandleCounts::liveUser();
  s.threadWindows = threadWindows();
  const PROCESS_MEMORY_COUNTERS_EX counters = memoryCounters();
  s.privateUsage = static_cast<double>(counters.PrivateUsage);
  s.pagefileUsage = static_cast<double>(counters.PagefileUsage);
  s.committedPrivate = committedPrivateBytes();
  snapshots_.push_back(s);
}

void ObjectLog::print(Report& report) const {
  report.line(format("  %-33s %-14s %-9s %-39s %5s %9s %9s %9s", "point", "GetGuiRes g/u",
                     "own g/u", "Dc WDc Bmp Pen Brh Fnt Cur Ico Wnd Fil", "HWNDs", "Private",
                     "Pagefile", "VQ priv"));
  for (const Snapshot& s : snapshots_) {
    std::string kinds;
    for (long count : s.kinds) kinds += format("%3ld ", count);
    report.line(format("  %-33s %3lu/%-3lu e%-5lu %4ld/%-4ld %-39s %5d %9s %9s %9s",
                       s.point.c_str(), s.systemGdi, s.systemUser, s.systemError, s.ownGdi,
                       s.ownUser, kinds.c_str(), s.threadWindows, megabytes(s.privateUsage).c_str(),
                       megabytes(s.pagefileUsage).c_str(), megabytes(s.committedPrivate).c_str()));
  }
}

void benchObjects(Report& report, BenchProgram& program, ObjectLog& log) {
  report.heading("GDI and USER objects, private memory");
  Form2& form = program.startDrawing();
  log.record("overlay open, before the session");
  drawSession(program, form, report);
  log.record(format("after %d drawing moves", kSessionMoves));
  program.closeOverlay();
  log.record("overlay closed");
  openCloseCycles(program, log, report);
  log.print(report);
  report.line("  (GetGuiRes: GetGuiResources GDI/USER and its GetLastError; own: the program's");
  report.line("   handle owners; HWNDs: windows of this thread, top-level and child; Private and");
  report.line("   Pagefile: PrivateUsage and PagefileUsage of GetProcessMemoryInfo; VQ priv:");
  report.line("   committed private memory summed with VirtualQuery)");
}

}  // namespace qo::bench
