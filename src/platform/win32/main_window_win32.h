#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/control_surface.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/dialogs_win32.h"
#include "platform/win32/window_class.h"
#include "ui/window_definitions.h"

namespace qo::win32 {

// The main window's real controls, built from its definition and laid out at its
// DPI.  It shows what the model holds and reports what the user did, naming each
// control by its place in the definition; a failure that a handler lets through
// is shown where the message entered and goes no further.
class Win32MainWindow final : public WindowBase, public ControlSurface {
 public:
  explicit Win32MainWindow(const WindowDefinition& definition = form1Definition());

  void connect(ControlInput* input) override { input_ = input; }
  // Reports the load, then shows the window for the first time with the focus
  // on the first tab stop.
  void showFirstTime();
  // Keyboard navigation in tab-index order; true when the message was used.
  bool navigate(const MSG& message);

  void showText(std::size_t control, const std::wstring& text) override;
  void select(std::size_t control, std::size_t start, std::size_t length) override;
  void showCheck(std::size_t control, int value) override;
  void showBackColour(std::size_t control, Colour colour) override;
  void showCaption(const std::wstring& caption) override;
  void showWindowBackColour(Colour colour) override;
  void showApplicationIcon() override { setApplicationIcons(hwnd()); }
  void loadPointerImage(const std::wstring& path) override;
  void showPointer(int pointer) override;
  void showMinimised() override { ::ShowWindow(hwnd(), SW_MINIMIZE); }
  void showNormal() override;
  DialogHost& dialogHost() override { return dialogs_; }
  std::int32_t nativeHandle() override;
  DispatchObject& skinComponent() override;

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // A solid brush of the colour last asked for, made again when another is asked
  // (a change of scheme changes what a system colour gives).
  struct ColourBrush {
    HBRUSH of(COLORREF colour);
    UniqueBrush brush;
    COLORREF colour = CLR_INVALID;
  };

  // One entry per control of the definition, invisible components included.
  struct Control {
    const ControlDefinition* definition;
    HWND hwnd;        // nullptr for an invisible component
    OwnControl* own;  // our own window class, or nullptr
    Colour backColour;
    ColourBrush brush;  // of the colour it is painted with
  };

  void buildControls();
  HWND createControl(std::size_t index, HWND container, int id);
  HWND createSystemControl(const ControlDefinition& definition, HWND container, int id);
  const Control* labelledBy(const Control& label) const;
  void nameByLabels();
  void layoutCentred();
  void layout(int dpi, const RECT* suggested);
  SIZE windowSize(int dpi) const;
  void placeWindow(int dpi, const RECT* suggested);
  void placeControls(int dpi);
  void createFonts(int dpi);
  std::size_t find(HWND window) const;
  Control& at(std::size_t index);
  HBRUSH windowBrush();
  void followScheme();
  LRESULT colourFor(UINT message, HWND control, HDC dc);
  void onCommand(WPARAM wParam, LPARAM lParam);
  bool onSetCursor(LPARAM lParam);
  void onActivate(WPARAM wParam, LPARAM lParam);
  void reportLostFocus(std::size_t index);
  void report(std::size_t control, ControlEvent event, const MouseArgs& mouse = {});
  void reportMouseMove(std::size_t control, WPARAM keys, LPARAM position);

  const WindowDefinition& definition_;
  ControlInput* input_ = nullptr;
  std::vector<Control> controls_;  // in definition order
  std::vector<std::unique_ptr<OwnControl>> ownControls_;
  UniqueFont windowFont_;
  UniqueFont buttonFont_;
  Colour backColour_;
  ColourBrush background_;
  UniqueCursor mouseIcon_;
  int mousePointer_ = 0;
  unsigned layouts_ = 0;      // layouts begun, nested ones (WM_DPICHANGED during a move) included
  HWND lastFocus_ = nullptr;  // the control that had the focus when the window was deactivated
  Win32DialogHost dialogs_{nullptr};
  std::unique_ptr<DispatchObject> skinFramework_;
};

}  // namespace qo::win32
