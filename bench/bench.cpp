// Figures for the overlay's hot paths and for the program's use of GDI and USER
// objects.  It measures and prints; it never passes or fails.
//
//   qo_bench.exe [report-file]
//
// The report goes to stdout and to report-file (default: qo_bench_report.txt next
// to the program).  The screen's size decides the overlay's size.
#include <exception>
#include <string>

#include "base/failure.h"
#include "bench_support.h"

namespace {

using namespace qo::bench;

std::string defaultReportPath() {
  char path[MAX_PATH] = {};
  ::GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder = path;
  const std::size_t slash = folder.find_last_of("\\/");
  folder = slash == std::string::npos ? std::string() : folder.substr(0, slash + 1);
  return folder + "qo_bench_report.txt";
}

std::string wineVersion() {
  using GetVersionFn = const char*(__cdecl*)();
  const auto get = reinterpret_cast<GetVersionFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version")));
  return get ? std::string("Wine ") + get() : std::string("not Wine");
}

void reportSetting(Report& report, qo::Size screen) {
  qo::win32::WindowDc screenDc(nullptr);
  report.line("Quillmark Orvane benchmark");
  report.line(format("  screen %d x %d, %d bits per pixel, %d dpi; %s", screen.width, screen.height,
                     ::GetDeviceCaps(screenDc.get(), BITSPIXEL),
                     ::GetDeviceCaps(screenDc.get(), LOGPIXELSX), wineVersion().c_str()));
  report.line("  times from QueryPerformanceCounter; median, minimum and 90th percentile");
}

void run(Report& report) {
  BenchProgram program(report);
  ObjectLog objects;
  objects.record("at start");
  const qo::Size screen = program.screen.size();
  reportSetting(report, screen);
  benchCapture(report, screen);
  benchBitmapSave(report, program);
  benchOverlay(report, program);
  benchOpenAgainstCopy(report, program);
  benchObjects(report, program, objects);
  report.line("");
  program.messages.summarise();
}

}  // namespace

//   qo_bench.exe --peak-overlay|--peak-copy [report-file]: only the peak memory of one.
//   qo_bench.exe --capture-save [report-file]: only capture, pixel layouts and saving.
//   qo_bench.exe --overlay-stages [report-file]: the overlay's memory, step by step.
//   qo_bench.exe --open [report-file]: opening the overlay against a plain screen copy.
int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const bool peak = mode == "--peak-overlay" || mode == "--peak-copy";
  const bool single = mode == "--capture-save" || mode == "--overlay-stages" || mode == "--open";
  const int reportArg = peak || single ? 2 : 1;
  Report report(argc > reportArg ? argv[reportArg] : defaultReportPath());
  if (!report.fileOpen()) std::fputs("(the report file could not be opened)\n", stdout);
  try {
    if (mode == "--open") {  // opening the overlay against a plain copy only
      BenchProgram program(report);
      benchOpenAgainstCopy(report, program);
      return 0;
    }
    if (mode == "--overlay-stages") {  // where the overlay's memory goes
      BenchProgram program(report);
      benchOverlayStages(report, program);
      return 0;
    }
    if (mode == "--capture-save") {  // a quick look at the pixel layout's costs only
      BenchProgram program(report);
      benchCapture(report, program.screen.size());
      benchBitmapSave(report, program);
      return 0;
    }
    if (peak) {
      BenchProgram program(report);
      benchPeakMemory(report, program, mode == "--peak-overlay");
      return 0;
    }
    run(report);
  } catch (const qo::Failure& failure) {
    std::string text;
    for (wchar_t c : failure.description()) text += c < 0x80 ? static_cast<char>(c) : '?';
    report.line("stopped by a failure: " + text);
  } catch (const std::exception& error) {
    report.line(std::string("stopped by an exception: ") + error.what());
  }
  return 0;
}
