// The overlay through the program's own code: "Start Drawing", copying the
// screen into it, repainting it, and the cost of one mouse move.
#include <algorithm>

#include "win32/overlay_pixels.h"
#include "bench_support.h"

namespace qo::bench {

namespace {

constexpr int kRounds = 5;
constexpr int kMovesPerRound = 500;
constexpr int kWarmUpMoves = 200;
constexpr int kPumpEvery = 100;
constexpr int kLeftButton = 1;

struct MoveSamples {
  std::vector<double> move;
  std::vector<double> paint;
  std::vector<double> total;
  // The lowest of the rounds' medians: the round least disturbed by other load.
  double bestRoundMove = 0;
  double bestRoundTotal = 0;
};

MoveSamples timeRound(BenchProgram& program, Form2& form, int buttons, int count) {
  const HWND overlay = program.overlayWindow();
  const std::vector<PathPoint> path = drawingPath(count);
  form.Form_MouseMove(0, 0, path.front().x, path.front().y);  // the stroke starts here
  MoveSamples samples;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const MoveTiming t = moveAndPaint(form, overlay, buttons, path[i]);
    samples.move.push_back(t.move);
    samples.paint.push_back(t.paint);
    samples.total.push_back(t.move + t.paint);
    if (i % kPumpEvery == kPumpEvery - 1) program.events.doEvents();
  }
  program.events.doEvents();
  return samples;
}

MoveSamples timeMoves(BenchProgram& program, Form2& form, int buttons) {
  MoveSamples all;
  for (int round = 0; round < kRounds; ++round) {
    const MoveSamples r = timeRound(program, form, buttons, kMovesPerRound);
    all.move.insert(all.move.end(), r.move.begin(), r.move.end());
    all.paint.insert(all.paint.end(), r.paint.begin(), r.paint.end());
    all.total.insert(all.total.end(), r.total.begin(), r.total.end());
    const double move = statsOf(r.move).median;
    const double total = statsOf(r.total).median;
    all.bestRoundMove = round == 0 ? move : std::min(all.bestRoundMove, move);
    all.bestRoundTotal = round == 0 ? total : std::min(all.bestRoundTotal, total);
  }
  return all;
}

void reportMoves(Report& report, const std::string& what, const MoveSamples& samples) {
  report.figure(what + ": Form_MouseMove", statsOf(samples.move));
  report.figure(what + ": UpdateWindow (WM_PAINT)", statsOf(samples.paint));
  report.figure(what + ": move + paint", statsOf(samples.total));
  report.line(format("  %-46s move %.4f ms, move + paint %.4f ms",
                     (what + ": best round median").c_str(), samples.bestRoundMove,
                     samples.bestRoundTotal));
}

void reportResult(Report& report, const char* key, Size size, const std::vector<double>& samples,
                  double bestRound) {
  const Stats stats = statsOf(samples);
  report.line(format("RESULT %s %dx%d %.4f %.4f %.4f", key, size.width, size.height, stats.median,
                     stats.min, bestRound));
}

void benchStartDrawing(Report& report, BenchProgram& program) {
  const double first = timeMs([&] { program.startDrawing(); });
  report.line(
      format("  %-46s %9.3f ms (once)", "Start Drawing, first (build + capture + show)", first));
  report.figure("Start Drawing on the open overlay", measure(5, [&] { program.startDrawing(); }));
}

void benchScreenCopy(Report& report, BenchProgram& program, Form2& form) {
  const HWND overlay = program.overlayWindow();
  const Size size = program.screen.size();
  report.figure("Win32Screen::getDC + copyFromScreen", measure(10, [&] {
                  const auto screenDc = program.screen.getDC();
                  form.window().copyFromScreen(*screenDc, size);
                  ::GdiFlush();
                }));
  program.events.doEvents();
  report.figure("full repaint (InvalidateRect all + UpdateWindow)", measure(10, [&] {
                  ::InvalidateRect(overlay, nullptr, FALSE);
                  ::UpdateWindow(overlay);
                  ::GdiFlush();
                }));
}

// Pixels of the persistent image in the pen's colour: shows that the timed moves
// really drew.
long pixelsInColour(Form2& form) {
  const ImageView image = win32::testing::overlayPixels(form.window());
  const Colour c = form.m_Color;  // COLORREF: red in the low byte; the image holds 0x00RRGGBB
  const std::uint32_t pixel = ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
  long count = 0;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) count += image.at(x, y) == pixel ? 1 : 0;
  }
  return count;
}

}  // namespace

MoveTiming moveAndPaint(Form2& form, HWND overlay, int buttons, PathPoint point) {
  const double start = nowMs();
  form.Form_MouseMove(buttons, 0, point.x, point.y);
  const double moved = nowMs();
  ::UpdateWindow(overlay);
  ::GdiFlush();
  return {moved - start, nowMs() - moved};
}

void benchOverlay(Report& report, BenchProgram& program) {
  const Size size = program.screen.size();
  report.heading(format("Overlay at %d x %d (Form1::PushButton2_Click, Form2, Win32 window)",
                        size.width, size.height));
  benchStartDrawing(report, program);
  Form2& form = program.form1.form2();
  const Size image{win32::testing::overlayPixels(form.window()).width, win32::testing::overlayPixels(form.window()).height};
  report.line(format("  persistent image %d x %d; pen width m_Width = %d, colour 0x%06X",
                     image.width, image.height, form.m_Width, static_cast<unsigned>(form.m_Color)));
  benchScreenCopy(report, program, form);

  timeRound(program, form, kLeftButton, kWarmUpMoves);
  const MoveSamples drawing = timeMoves(program, form, kLeftButton);
  const MoveSamples hovering = timeMoves(program, form, 0);
  report.line(format("  after the drawing moves: %ld pixels in the pen colour; overlay %s",
                     pixelsInColour(form),
                     ::IsWindowVisible(program.overlayWindow()) ? "visible" : "NOT visible"));
  reportMoves(report, "drawing move", drawing);
  reportMoves(report, "move without button", hovering);
  reportResult(report, "move_ms", size, drawing.move, drawing.bestRoundMove);
  reportResult(report, "move_paint_ms", size, drawing.total, drawing.bestRoundTotal);
  reportResult(report, "hover_paint_ms", size, hovering.total, hovering.bestRoundTotal);
}

}  // namespace qo::bench
