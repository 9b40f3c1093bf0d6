#include "fakes/headless_platform.h"

#include "base/error_report.h"
#include "base/failure.h"
#include "fakes/bitmap_encoder.h"
#include "formats/bitmap_file.h"

namespace qo {

void RecordingMessageBoxes::show(std::wstring_view text, std::wstring_view title, unsigned style) {
  shown.push_back({std::wstring(text), std::wstring(title), style});
  if (onShow) onShow(shown.back());
}

std::vector<ShownBox> RecordingMessageBoxes::reportsFrom(std::wstring_view location) const {
  std::vector<ShownBox> found;
  for (const auto& box : shown) {
    if (box.title == kErrorReportTitle && box.text.find(location) != std::wstring::npos) {
      found.push_back(box);
    }
  }
  return found;
}

float ManualClock::secondsSinceMidnight() {
  ++readings;
  const float reading = now;
  now += stepPerReading;
  if (now >= 86400.0f) now -= 86400.0f;
  return reading;
}

void CountingEventPump::doEvents() {
  ++calls;
  if (onEvents) onEvents();
}

std::unique_ptr<ScreenContext> HeadlessScreen::getDC() {
  if (failGetDC) throw Failure(L"The screen's device context could not be obtained.");
  ++contextsTaken;
  return std::make_unique<HeadlessScreenContext>(liveContexts);
}

std::optional<std::wstring> ScriptedDialogs::showSave(std::wstring_view title,
                                                      const std::vector<FileFilter>& filters,
                                                      std::wstring_view initialName,
                                                      unsigned flags) {
  saveRequests.push_back({std::wstring(title), filters, std::wstring(initialName), flags});
  if (whileSaveOpen) whileSaveOpen();
  if (saveAnswers.empty()) return std::nullopt;
  auto answer = saveAnswers.front();
  saveAnswers.pop_front();
  return answer;
}

std::optional<Colour> ScriptedDialogs::showColor(Colour initial, unsigned) {
  colourRequests.push_back(initial);
  if (colourAnswers.empty()) return std::nullopt;
  auto answer = colourAnswers.front();
  colourAnswers.pop_front();
  return answer;
}

HeadlessOverlayWindow::HeadlessOverlayWindow(Size screen, ScriptedDialogs& dialogs)
    : image_(screen, 0x00F0F0F0),
      preview_({kPreviewSquareSideHeadless, kPreviewSquareSideHeadless}, 0x00F0F0F0),
      dialogs_(dialogs) {}

void HeadlessOverlayWindow::loadMouseIcon(const std::wstring& path) {
  if (mouseIconIsBad) throw Failure(L"HAND-M.CUR could not be read as a cursor.");
  mouseIcon = path;
}

void HeadlessOverlayWindow::writeBitmapFile(FileSystem& files, const std::wstring& path) {
  saveBitmapFile(files, path, image_.view());
}

void HeadlessOverlayWindow::copyFromScreen(ScreenContext&, Size size) {
  if (screenSource) image_.copyFrom(screenSource->pixels, size);
}

void HeadlessOverlayWindow::drawLine(Point from, Point to, int penWidth, Colour colour) {
  ++segments;
  lastPenWidth = penWidth;
  image_.drawLine(from, to, penWidth, pixelOf(colour));
}

void HeadlessOverlayWindow::movePreviewBox(Point topLeft) {
  box = {topLeft.x, topLeft.y, topLeft.x + box.width(), topLeft.y + box.height()};
}

void HeadlessOverlayWindow::showInPreviewBox(Rect source) {
  previewSources.push_back(source);
  for (int y = 0; y < source.height(); ++y) {
    for (int x = 0; x < source.width(); ++x) {
      const int sx = source.left + x;
      const int sy = source.top + y;
      preview_.set(x, y, image_.contains(sx, sy) ? image_.at(sx, sy) : kNeutralPreview);
    }
  }
}

std::unique_ptr<OverlayWindow> HeadlessOverlayHost::buildOverlay(FormEvents&) {
  auto window = std::make_unique<HeadlessOverlayWindow>(screen_, dialogs);
  window->screenSource = &source_;
  window->mouseIconIsBad = badCursorFile;
  current = window.get();
  ++built;
  return window;
}

void HeadlessOverlayHost::discardOverlay(std::unique_ptr<OverlayWindow> window) {
  if (window.get() == current) current = nullptr;
}

HeadlessPlatform::HeadlessPlatform(Size screenSize)
    : screen(screenSize), overlays(screenSize, screen), platform{app,    messages, locale,
                                                                 clock,  events,   files,
                                                                 screen, overlays, settings} {}

}  // namespace qo
