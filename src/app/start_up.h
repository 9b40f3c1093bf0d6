#pragma once

#include <string>
#include <string_view>

#include "base/main_window.h"
#include "base/platform.h"

namespace qo {

// Form1's start-up and end: its load and unload handlers.
class StartUp {
 public:
  StartUp(Platform& platform, MainWindow& window) : platform_(platform), window_(window) {}

  // Skin, pointer image, caption, icon, application title and the three line
  // options from the store, each step under the guard with its own line.
  void Form_Load();
  // Ends the program at once, whatever is open; nothing is written.
  void Form_Unload();

 private:
  Platform& platform_;
  MainWindow& window_;
};

// The application title made from a text: its last blank-separated word cut off,
// and again while more than 40 characters remain.  When no blank is left the
// cutting ends there, whatever the length.
std::wstring appTitleFrom(std::wstring_view text);

// Sets the application title from the product name ("Quillmark").
void SetAppTitle(Application& app);

}  // namespace qo
