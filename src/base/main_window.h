#pragma once

#include <string>

#include "base/geometry.h"

namespace qo {

// The main window's controls and state, as the handlers of Form1 and Form2 read
// and change them.
class MainWindow {
 public:
  virtual ~MainWindow() = default;

  virtual int check1Value() = 0;  // 0 clear, 1 ticked, 2 dimmed
  virtual std::wstring text1Text() = 0;
  virtual Colour picture1BackColor() = 0;
  virtual std::wstring label1Caption() = 0;
  virtual std::wstring label2Caption() = 0;

  virtual void minimise() = 0;
  // Back to the normal state; a window already normal stays as it is.
  virtual void restoreNormal() = 0;
};

}  // namespace qo
