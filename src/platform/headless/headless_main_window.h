#pragma once

#include <set>
#include <string>
#include <vector>

#include "base/main_window.h"
#include "platform/headless/recording_dispatch.h"
#include "platform/headless/scripted_dialogs.h"
#include "ui/window_definitions.h"

namespace qo {

// The main window in memory, built from the same definition as the real one,
// raising the same events.  The user* calls do what a user's action would.
class HeadlessMainWindow final : public MainWindow {
 public:
  HeadlessMainWindow();

  void connect(MainWindowEvents& events) override { events_ = &events; }
  std::wstring text1Text() override { return control(L"Text1").text; }
  void setText1Text(const std::wstring& text) override;
  void selectText1(std::size_t start, std::size_t length) override;
  int check1Value() override { return control(L"Check1").value; }
  void setCheck1Value(int value) override;
  Colour picture1BackColor() override { return control(L"Picture1").backColour; }
  void setPicture1BackColor(Colour colour) override;
  std::wstring label1Caption() override { return control(L"Label1").text; }
  std::wstring label2Caption() override { return control(L"Label2").text; }
  std::wstring caption() override { return caption_; }
  void setCaption(const std::wstring& caption) override;
  void setApplicationIcon() override;
  void loadMouseIcon(const std::wstring& path) override;
  int mousePointer() override { return mousePointer_; }
  void setMousePointer(int pointer) override { mousePointer_ = pointer; }
  void minimise() override {
    state = State::Minimised;
    ++minimiseCalls;
  }
  void restoreNormal() override {
    state = State::Normal;
    ++restoreCalls;
  }
  DialogHost& dialogs() override { return dialogs_; }

  std::vector<ControlKind> controlKinds() override;
  void setControlBackColor(std::size_t index, Colour colour) override;
  void setBackColor(Colour colour) override { backColour = colour; }
  std::int32_t windowHandle() override { return kWindowHandle; }
  DispatchObject& skinFramework() override { return skin; }

  // What a user does.
  void load();    // the platform builds the window: Form_Load
  void unload();  // the user closes it: Form_Unload
  // Types over the selection, one key at a time, as an edit reports it.
  void userTypes(std::wstring_view keys);
  void userClicks(std::wstring_view control);
  // Moves the focus, raising lost focus before got focus, as the system does.
  void userFocuses(std::wstring_view control);
  void userMovesMouseOver(std::wstring_view control, MouseArgs args = {});

  struct Control {
    const ControlDefinition* definition;
    std::wstring text;
    Colour backColour;
    int value = 0;  // check boxes
  };
  Control& control(std::wstring_view name);
  // Rectangle in pixels at 96 DPI, relative to the container's client area.
  Rect controlRect(std::wstring_view name);

  static constexpr std::int32_t kWindowHandle = 0x00010ABC;
  enum class State { Normal, Minimised } state = State::Normal;
  int minimiseCalls = 0;
  int restoreCalls = 0;
  Colour backColour;
  bool hasApplicationIcon = false;
  std::wstring mouseIcon;
  bool mouseIconIsBad = false;
  // Setters named here ("setCaption", "setApplicationIcon", "setText1Text",
  // "setPicture1BackColor") fail as the system would refuse them.
  std::set<std::wstring, std::less<>> failing;
  RecordingDispatch skin;  // SkinFramework1
  std::size_t selectionStart = 0;
  std::size_t selectionLength = 0;
  std::wstring focus;
  ScriptedDialogs dialogs_;

 private:
  void raise(std::wstring_view control, ControlEvent event, const MouseArgs& mouse = {});
  void failIfAsked(std::wstring_view setter) const;

  MainWindowEvents* events_ = nullptr;
  std::vector<Control> controls_;
  std::wstring caption_;
  int mousePointer_ = kDefaultPointer;
};

}  // namespace qo
