#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "base/control_surface.h"
#include "base/main_window.h"
#include "ui/window_definitions.h"

namespace qo {

// The main window as its handlers see it, on any platform: the state of every
// control of the definition and the rules by which they raise events.  The
// platform's surface only shows what the model holds and reports what the user did.
class MainWindowModel : public MainWindow, public ControlInput {
 public:
  explicit MainWindowModel(ControlSurface& surface,
                           const WindowDefinition& definition = form1Definition());
  ~MainWindowModel() override { surface_.connect(nullptr); }
  MainWindowModel(const MainWindowModel&) = delete;
  MainWindowModel& operator=(const MainWindowModel&) = delete;

  void connect(FormEvents& events) override { events_ = &events; }

  std::wstring text1Text() override { return named(L"Text1").text; }
  void setText1Text(const std::wstring& text) override { setText(indexOf(L"Text1"), text); }
  void selectText1(std::size_t start, std::size_t length) override;
  int check1Value() override { return checkValue(indexOf(L"Check1")); }
  void setCheck1Value(int value) override { setCheckValue(indexOf(L"Check1"), value); }
  Colour picture1BackColor() override { return named(L"Picture1").backColour; }
  void setPicture1BackColor(Colour colour) override;
  std::wstring label1Caption() override { return named(L"Label1").text; }
  std::wstring label2Caption() override { return named(L"Label2").text; }
  void setCaption(const std::wstring& caption) override { surface_.showCaption(caption); }
  void setApplicationIcon() override { surface_.showApplicationIcon(); }
  void loadMouseIcon(const std::wstring& path) override { surface_.loadPointerImage(path); }
  void setMousePointer(int pointer) override { surface_.showPointer(pointer); }
  void minimise() override { surface_.showMinimised(); }
  void restoreNormal() override { surface_.showNormal(); }
  DialogHost& dialogs() override { return surface_.dialogHost(); }

  std::vector<ControlKind> controlKinds() override;
  void setControlBackColor(std::size_t index, Colour colour) override;
  void setBackColor(Colour colour) override;
  std::int32_t windowHandle() override { return surface_.nativeHandle(); }
  DispatchObject& skinFramework() override { return surface_.skinComponent(); }

  void textEdited(std::size_t control, std::wstring text) override;
  void userDid(std::size_t control, ControlEvent event, const MouseArgs& mouse = {}) override;

  // Any control by its place in the definition.
  void setText(std::size_t control, const std::wstring& text);
  int checkValue(std::size_t control) const { return at(control).value; }
  // Throws Failure for a value other than 0, 1 or 2; the box keeps its state.
  void setCheckValue(std::size_t control, int value);

 private:
  struct Control {
    const ControlDefinition* definition;
    std::wstring text;
    Colour backColour;
    int value = 0;  // check boxes
  };

  std::size_t indexOf(std::wstring_view name) const;
  Control& named(std::wstring_view name) { return controls_[indexOf(name)]; }
  Control& at(std::size_t control);
  const Control& at(std::size_t control) const;
  void showPaintColours(std::size_t container);
  void raise(std::size_t control, ControlEvent event, const MouseArgs& mouse = {});

  ControlSurface& surface_;
  const WindowDefinition& definition_;
  FormEvents* events_ = nullptr;
  std::vector<Control> controls_;  // in definition order
  Colour backColour_;
  bool showingFromCode_ = false;  // a text being shown by setText is no user's edit
};

}  // namespace qo
