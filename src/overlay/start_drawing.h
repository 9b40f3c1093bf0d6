#pragma once

#include <memory>

#include "base/main_window.h"
#include "base/platform.h"

namespace qo {

class Form2;

// "Start Drawing" (PushButton2_Click) and the overlay object it creates.
class StartDrawing {
 public:
  StartDrawing(Platform& platform, MainWindow& window);
  ~StartDrawing();

  void PushButton2_Click();

  // The overlay object, created on first use and kept to the end of the program.
  Form2& form2();

 private:
  Platform& platform_;
  MainWindow& window_;
  std::unique_ptr<Form2> form2_;
};

}  // namespace qo
