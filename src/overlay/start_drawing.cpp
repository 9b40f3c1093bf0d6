// "Start Drawing": copies the screen into the overlay and shows it.
#include "overlay/start_drawing.h"

#include "base/error_report.h"
#include "base/numeric_text.h"
#include "base/shared_services.h"
#include "overlay/form2.h"

namespace qo {

StartDrawing::StartDrawing(Platform& platform, MainWindow& window)
    : platform_(platform), window_(window) {}

StartDrawing::~StartDrawing() = default;

Form2& StartDrawing::form2() {
  if (!form2_) form2_ = std::make_unique<Form2>(platform_, window_);
  return *form2_;
}

void StartDrawing::PushButton2_Click() {
  Guard guard(platform_.messages, location::kForm1StartDrawing);
  bool minimiseFirst = false;
  guard.step(100, [&] { minimiseFirst = window_.check1Value() == 1; });
  if (minimiseFirst) {
    guard.step(102, [&] {
      platform_.messages.show(window_.label1Caption() + L"\r\r" + window_.label2Caption(),
                              platform_.app.title(), kOkOnly);
    });
    guard.step(104, [&] { window_.minimise(); });
    guard.step(106, [&] { Pause(platform_.clock, platform_.events, 0.5); });
  }
  guard.step(108, [&] { platform_.events.doEvents(); });

  std::unique_ptr<ScreenContext> screenDc;
  guard.step(110, [&] { screenDc = platform_.screen.getDC(); });
  guard.step(112, [&] {
    const auto screen = std::move(screenDc);  // released at the end of this statement
    OverlayWindow& overlay = form2().window();
    // Without a screen context the copy does nothing; its result is not checked.
    if (screen) overlay.copyFromScreen(*screen, platform_.screen.size());
  });
  guard.step(114, [&] {
    form2().m_Width = textToInt16(window_.text1Text(), platform_.locale.numberFormat());
  });
  guard.step(116, [&] { form2().m_Color = window_.picture1BackColor(); });
  guard.step(118, [&] {
    OverlayWindow& overlay = form2().window();
    const Rect box = overlay.previewBox();
    overlay.movePreviewBox({platform_.screen.size().width - box.width(), box.top});
  });
  guard.step(120, [&] {
    OverlayWindow& overlay = form2().window();
    const Rect box = overlay.previewBox();
    overlay.movePreviewBox({box.left, platform_.screen.size().height - box.height()});
  });
  guard.step(122, [&] { form2().window().show(); });
}

}  // namespace qo
