#include "overlay/form2.h"

#include <array>

#include "base/failure.h"
#include "base/numeric_text.h"
#include "base/shared_services.h"

namespace qo {

namespace {

std::int16_t pixelToMember(float coordinate) { return roundToInt16(coordinate); }

Point toPixel(float x, float y) {
  return {static_cast<int>(roundHalfEven(x)), static_cast<int>(roundHalfEven(y))};
}

using E = ControlEvent;
using R = Route<Form2>;

constexpr std::array kRoutes{
    R{L"Form2", E::MouseDown, nullptr, &Form2::Form_MouseDown},
    R{L"Form2", E::MouseMove, nullptr, &Form2::Form_MouseMove},
    R{L"Form2", E::DblClick, &Form2::Form_DblClick},
    R{L"Form2", E::Unload, &Form2::systemClose},
};

}  // namespace

Rect previewSquare(float x, float y) {
  const int left = static_cast<int>(roundHalfEven(static_cast<double>(x) - 12.5));
  const int top = static_cast<int>(roundHalfEven(static_cast<double>(y) - 12.5));
  return {left, top, left + kPreviewSquareSide, top + kPreviewSquareSide};
}

Form2::Form2(Platform& platform, MainWindow& mainWindow)
    : platform_(platform), mainWindow_(mainWindow) {}

Form2::~Form2() = default;

void Form2::raise(std::wstring_view control, ControlEvent event, const MouseArgs& mouse) {
  routeEvent<Form2>(*this, kRoutes, control, event, mouse);
}

void Form2::Load() {
  if (window_) return;
  window_ = platform_.overlays.buildOverlay(*this);
  CommonDialog1 = std::make_shared<CommonDialog>(window_->dialogs());
  drawWidth_ = 1;
  Form_Load();
}

OverlayWindow& Form2::window() {
  Load();
  return *window_;
}

void Form2::Unload() {
  CommonDialog1.reset();
  if (window_) platform_.overlays.discardOverlay(std::move(window_));
}

void Form2::Form_Load() {
  Guard guard(platform_.messages, location::kForm2Load);
  guard.step(100, [&] { window_->setApplicationIcon(); });
  guard.step(100, [&] {
    const auto cursor = handPointerBesideProgram(platform_.app, platform_.files);
    if (cursor) window_->loadMouseIcon(*cursor);
  });
}

void Form2::setDrawWidth(int width) {
  if (width < 1) {
    throw Failure(std::wstring(kInvalidPropertyValue) + L": a pen width of " +
                  std::to_wstring(width) + L" pixels cannot be set; it must be at least 1.");
  }
  drawWidth_ = width;
}

void Form2::Form_MouseDown(int button, int /*shift*/, float x, float y) {
  Guard guard(platform_.messages, location::kForm2MouseDown);
  if (button == 1) {
    guard.step(102, [&] { setDrawWidth(m_Width); });
    guard.step(104, [&] {
      window().drawLine(toPixel(x, y), {m_LastX, m_LastY}, drawWidth_, m_Color);
    });
    guard.step(106, [&] { m_LastX = pixelToMember(x); });
    guard.step(108, [&] { m_LastY = pixelToMember(y); });
  } else if (button == 2) {
    savePicture(guard);
  }
}

void Form2::savePicture(Guard& guard) {
  Load();
  // The overlay can be closed from outside while its dialog is open; the dialog's
  // properties outlive that here, and the picture it was opened for is gone, so
  // nothing is written.
  const std::shared_ptr<CommonDialog> dialog = CommonDialog1;
  guard.step(112, [&] { dialog->FileName.clear(); });
  guard.step(114, [&] { dialog->DialogTitle = L"Save As"; });
  guard.step(116, [&] { dialog->Filter = L"BMP Files (*.bmp)|*.bmp|"; });
  guard.step(118, [&] { dialog->ShowSave(); });
  if (CommonDialog1 != dialog) return;
  bool chosen = false;
  guard.step(120, [&] { chosen = !dialog->FileName.empty(); });
  if (!chosen) return;
  guard.step(122, [&] { window().writeBitmapFile(platform_.files, dialog->FileName); });
}

void Form2::Form_MouseMove(int button, int /*shift*/, float x, float y) {
  Guard guard(platform_.messages, location::kForm2MouseMove);
  if (button == 0) {
    guard.step(102, [&] { m_LastX = pixelToMember(x); });
    guard.step(104, [&] { m_LastY = pixelToMember(y); });
  } else {
    guard.step(108, [&] { Form_MouseDown(button, 0, x, y); });
  }
  guard.step(110, [&] { refreshPreview(x, y); });
}

void Form2::refreshPreview(float x, float y) { window().showInPreviewBox(previewSquare(x, y)); }

void Form2::Form_DblClick() {
  mainWindow_.restoreNormal();
  Unload();
}

// Any other close unloads the overlay too, but leaves the main window as it is.
void Form2::systemClose() { Unload(); }

}  // namespace qo
