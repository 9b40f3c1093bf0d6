#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/common_dialog.h"
#include "base/error_report.h"
#include "base/form_events.h"
#include "base/main_window.h"
#include "base/overlay_window.h"
#include "base/platform.h"
#include "base/shared_services.h"

namespace qo {

// The drawing overlay.  The object lives from the first "Start Drawing" to the
// end of the program; its window is built on demand and discarded on close,
// while the members below keep their values.
class Form2 final : public FormEvents {
 public:
  Form2(Platform& platform, MainWindow& mainWindow);
  ~Form2() override;

  // Routes the overlay's events to the handlers below (form2.cpp).
  void raise(std::wstring_view control, ControlEvent event, const MouseArgs& mouse) override;

  std::int16_t m_Width = 0;  // pen width for new segments
  Colour m_Color = 0;        // colour of new segments

  // Builds the window from its definition when it is not built; this runs Form_Load.
  void Load();
  // The built window, building it first if need be.
  OverlayWindow& window();
  // Discards the window, its controls and its persistent image.
  void Unload();

  void Form_Load();
  void Form_MouseDown(int button, int shift, float x, float y);
  void Form_MouseMove(int button, int shift, float x, float y);
  void Form_DblClick();
  // The system asks the window to close (Alt+F4, a close from the task list).
  void systemClose();

  // The stored point: where the last segment ended or the pointer last moved
  // without buttons.
  Point storedPoint() const { return {m_LastX, m_LastY}; }

 private:
  void setDrawWidth(int width);
  void savePicture(Guard& guard);
  void refreshPreview(float x, float y);

  Platform& platform_;
  MainWindow& mainWindow_;
  std::unique_ptr<OverlayWindow> window_;
  std::shared_ptr<CommonDialog> CommonDialog1;  // a control: rebuilt with the window
  std::int16_t m_LastX = 0;
  std::int16_t m_LastY = 0;
  int drawWidth_ = 1;  // the window's own pen width: 1 in a freshly built window
};

// The 25 x 25 square of the persistent image that the preview box shows for a
// pointer at (x, y): its corner is (x - 12.5, y - 12.5) rounded halves to even,
// so the square moves in steps of two pixels.
Rect previewSquare(float x, float y);

}  // namespace qo
