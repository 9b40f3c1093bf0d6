#pragma once

#include <map>
#include <set>
#include <string>

#include "base/control_surface.h"
#include "fakes/recording_dispatch.h"
#include "fakes/scripted_dialogs.h"
#include "ui/main_window_model.h"

namespace qo {

// The main window's controls in memory: what the model shows, kept to be read.
struct FakeMainSurface : ControlSurface {
  void connect(ControlInput* to) override { input = to; }
  void showText(std::size_t control, const std::wstring& text) override;
  void select(std::size_t, std::size_t start, std::size_t length) override;
  void showCheck(std::size_t control, int value) override { checks[control] = value; }
  void showBackColour(std::size_t control, Colour colour) override {
    failIfAsked(L"showBackColour");
    backColours[control] = colour;
  }
  void showCaption(const std::wstring& text) override;
  void showWindowBackColour(Colour colour) override { backColour = colour; }
  void showApplicationIcon() override;
  void loadPointerImage(const std::wstring& path) override;
  void showPointer(int shown) override { pointer = shown; }
  void showMinimised() override {
    state = State::Minimised;
    ++minimiseCalls;
  }
  void showNormal() override {
    state = State::Normal;
    ++restoreCalls;
  }
  DialogHost& dialogHost() override { return dialogs_; }
  std::int32_t nativeHandle() override { return kWindowHandle; }
  DispatchObject& skinComponent() override { return skin; }

  // Primitives named here ("showCaption", "showApplicationIcon", "showText",
  // "showBackColour") fail as the system would refuse them.
  void failIfAsked(std::wstring_view primitive) const;

  static constexpr std::int32_t kWindowHandle = 0x00010ABC;
  ControlInput* input = nullptr;
  enum class State { Normal, Minimised } state = State::Normal;
  int minimiseCalls = 0;
  int restoreCalls = 0;
  Colour backColour = 0;
  bool hasApplicationIcon = false;
  std::wstring caption = L"Form1";
  int pointer = kDefaultPointer;
  std::wstring mouseIcon;
  bool mouseIconIsBad = false;
  std::set<std::wstring, std::less<>> failing;
  std::map<std::size_t, int> checks;  // shown values, by place in the definition
  std::map<std::size_t, Colour> backColours;  // shown backgrounds, by place
  RecordingDispatch skin;  // SkinFramework1
  ScriptedDialogs dialogs_;
  std::size_t selectionStart = 0;
  std::size_t selectionLength = 0;
};

// The main window in memory: the real model on the fake controls.  The user*
// calls report what a user's action would.
class HeadlessMainWindow final : public FakeMainSurface, public MainWindowModel {
 public:
  explicit HeadlessMainWindow(const WindowDefinition& definition = form1Definition())
      : MainWindowModel(static_cast<FakeMainSurface&>(*this), definition),
        definition_(definition) {}
  using MainWindowModel::connect;

  void load() { userDid(kTheWindow, ControlEvent::Load); }      // the platform builds it
  void unload() { userDid(kTheWindow, ControlEvent::Unload); }  // the user closes it
  // Types over the selection, one key at a time, as an edit reports it.
  void userTypes(std::wstring_view keys);
  void userClicks(std::wstring_view control) { userDid(place(control), ControlEvent::Click); }
  // Moves the focus, raising lost focus before got focus, as the system does.
  void userFocuses(std::wstring_view control);
  void userMovesMouseOver(std::wstring_view control, MouseArgs args = {});

  std::wstring focus;  // the control the user last focused

 private:
  std::size_t place(std::wstring_view control) const;

  const WindowDefinition& definition_;
};

}  // namespace qo
