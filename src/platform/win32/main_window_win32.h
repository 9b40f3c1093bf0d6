#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/main_window.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/dialogs_win32.h"
#include "platform/win32/window_class.h"
#include "ui/window_definitions.h"

namespace qo::win32 {

// The main window Form1, built from its definition and laid out at its DPI.
// Every control event goes through the definition's routes to the connected
// handlers; a failure that a handler lets through is shown and goes no further.
class Win32MainWindow final : public WindowBase, public MainWindow {
 public:
  Win32MainWindow();
  ~Win32MainWindow() override;

  void connect(MainWindowEvents& events) override { events_ = &events; }
  // Raises Form_Load, then shows the window for the first time with the focus
  // on the first tab stop.
  void showFirstTime();
  // Keyboard navigation in tab-index order; true when the message was used.
  bool navigate(const MSG& message);
  HWND control(std::wstring_view name) const;

  std::wstring text1Text() override;
  void setText1Text(const std::wstring& text) override;
  void selectText1(std::size_t start, std::size_t length) override;
  int check1Value() override;
  void setCheck1Value(int value) override;
  Colour picture1BackColor() override;
  void setPicture1BackColor(Colour colour) override;
  std::wstring label1Caption() override;
  std::wstring label2Caption() override;
  std::wstring caption() override;
  void setCaption(const std::wstring& caption) override;
  void setApplicationIcon() override;
  void loadMouseIcon(const std::wstring& path) override;
  int mousePointer() override { return mousePointer_; }
  void setMousePointer(int pointer) override { mousePointer_ = pointer; }
  void minimise() override;
  void restoreNormal() override;
  DialogHost& dialogs() override { return dialogs_; }

  std::vector<ControlKind> controlKinds() override;
  void setControlBackColor(std::size_t index, Colour colour) override;
  void setBackColor(Colour colour) override;
  std::int32_t windowHandle() override;
  DispatchObject& skinFramework() override;

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // One entry per control of the definition, invisible components included.
  struct Control {
    const ControlDefinition* definition;
    HWND hwnd;        // nullptr for an invisible component
    OwnControl* own;  // our own window class, or nullptr
    Colour backColour;
    UniqueBrush brush;  // of backColour, made when first needed
  };

  void buildControls();
  HWND createControl(Control& control, HWND container, int id);
  void layout(int dpi, const RECT* suggested);
  void createFonts(int dpi);
  Control* find(HWND window);
  Control& named(std::wstring_view name);
  const Control& named(std::wstring_view name) const;
  std::wstring textOf(std::wstring_view name) const;
  HBRUSH brushOf(Control& control);
  LRESULT colourFor(UINT message, HWND control, HDC dc);
  void onCommand(WPARAM wParam, LPARAM lParam);
  bool onSetCursor(LPARAM lParam);
  void onActivate(WPARAM wParam, LPARAM lParam);
  void raiseLostFocus(std::size_t index);
  void raise(std::wstring_view control, ControlEvent event, const MouseArgs& mouse = {});
  void raiseMouseMove(std::wstring_view control, WPARAM keys, LPARAM position);

  MainWindowEvents* events_ = nullptr;
  std::vector<Control> controls_;  // in creation order
  std::vector<std::unique_ptr<OwnControl>> ownControls_;
  UniqueFont windowFont_;
  UniqueFont buttonFont_;
  Colour backColour_;
  UniqueBrush background_;
  UniqueCursor mouseIcon_;
  int mousePointer_ = kDefaultPointer;
  HWND lastFocus_ = nullptr;  // the control that had the focus when the window was deactivated
  Win32DialogHost dialogs_{nullptr};
  std::unique_ptr<DispatchObject> skinFramework_;
};

}  // namespace qo::win32
