#pragma once

#include "base/main_window.h"
#include "base/platform.h"

namespace qo {

// Form1's start-up and end: its load and unload handlers.
class StartUp {
 public:
  StartUp(Platform& platform, MainWindow& window) : platform_(platform), window_(window) {}

  void Form_Load();
  void Form_Unload();

 private:
  [[maybe_unused]] Platform& platform_;
  [[maybe_unused]] MainWindow& window_;
};

}  // namespace qo
