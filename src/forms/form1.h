#pragma once

#include "app/start_up.h"
#include "base/common_dialog.h"
#include "base/form_events.h"
#include "base/main_window.h"
#include "base/platform.h"
#include "options/line_options.h"
#include "overlay/start_drawing.h"

namespace qo {

// The main window's handlers, all in one place.  Each event goes to the handler
// object of the subsystem that owns it: start-up and end (app), line options and
// pointer feedback (options), "Start Drawing" (overlay).  Form1 connects itself
// to the window it is given; its route table (form1.cpp) names the handler of
// each event.
class Form1 final : public FormEvents {
 public:
  Form1(Platform& platform, MainWindow& window);

  void raise(std::wstring_view control, ControlEvent event, const MouseArgs& mouse) override;

  // The colour chooser of the main window.
  CommonDialog CommonDialog1;

  void Form_Load() { startUp_.Form_Load(); }
  void Form_Unload() { startUp_.Form_Unload(); }

  void Text1_Change() { options_.Text1_Change(); }
  void Text1_GotFocus() { options_.Text1_GotFocus(); }
  void Text1_LostFocus() { options_.Text1_LostFocus(); }
  void Picture1_Click() { options_.Picture1_Click(); }
  void Check1_Click() { options_.Check1_Click(); }
  void Form_MouseMove(int b, int s, float x, float y) { options_.Form_MouseMove(b, s, x, y); }
  void Frame1_MouseMove(int b, int s, float x, float y) { options_.Frame1_MouseMove(b, s, x, y); }
  void Frame2_MouseMove(int b, int s, float x, float y) { options_.Frame2_MouseMove(b, s, x, y); }
  void Frame3_MouseMove(int b, int s, float x, float y) { options_.Frame3_MouseMove(b, s, x, y); }
  void PushButton2_MouseMove(int b, int s, float x, float y) {
    options_.PushButton2_MouseMove(b, s, x, y);
  }

  void PushButton2_Click() { startDrawing_.PushButton2_Click(); }

  // The overlay object, created on first use and kept to the end of the program.
  Form2& form2() { return startDrawing_.form2(); }

 private:
  StartUp startUp_;
  LineOptions options_;
  StartDrawing startDrawing_;
};

}  // namespace qo
