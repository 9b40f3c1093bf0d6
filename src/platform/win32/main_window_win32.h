#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/main_window.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/window_class.h"
#include "ui/window_definitions.h"

namespace qo {
class Form1;
}

namespace qo::win32 {

// The main window Form1, built from its definition and laid out at its DPI.
class Win32MainWindow final : public WindowBase, public MainWindow {
 public:
  Win32MainWindow();
  ~Win32MainWindow() override;

  // Where the window's events go.
  void connect(Form1& handlers) { handlers_ = &handlers; }
  // Shows the window for the first time, with the focus on the first tab stop.
  void showFirstTime();
  // Keyboard navigation in tab-index order; true when the message was used.
  bool navigate(const MSG& message);
  HWND control(std::wstring_view name) const;

  int check1Value() override;
  std::wstring text1Text() override;
  Colour picture1BackColor() override;
  std::wstring label1Caption() override;
  std::wstring label2Caption() override;
  void minimise() override;
  void restoreNormal() override;

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  struct Control {
    const ControlDefinition* definition;
    HWND hwnd;
  };

  void buildControls();
  HWND createControl(const ControlDefinition& definition, HWND container, int id);
  void layout(int dpi, const RECT* suggested);
  void createFonts(int dpi);
  std::wstring textOf(std::wstring_view name) const;
  LRESULT colourFor(UINT message, HWND control, HDC dc);
  void onCommand(WPARAM wParam, LPARAM lParam);

  Form1* handlers_ = nullptr;
  std::vector<Control> controls_;  // in creation order
  std::vector<std::unique_ptr<WindowBase>> ownControls_;
  PictureBoxControl* picture1_ = nullptr;
  UniqueFont windowFont_;
  UniqueFont buttonFont_;
  UniqueBrush background_;
};

}  // namespace qo::win32
