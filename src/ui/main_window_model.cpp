#include "ui/main_window_model.h"

#include <algorithm>

#include "base/failure.h"

namespace qo {

namespace {

// Marks the report of a text shown from code, which the surface hands back as an edit.
class ShowingFromCode {
 public:
  explicit ShowingFromCode(bool& flag) : flag_(flag) { flag_ = true; }
  ~ShowingFromCode() { flag_ = false; }
  ShowingFromCode(const ShowingFromCode&) = delete;
  ShowingFromCode& operator=(const ShowingFromCode&) = delete;

 private:
  bool& flag_;
};

}  // namespace

MainWindowModel::MainWindowModel(ControlSurface& surface, const WindowDefinition& definition)
    : surface_(surface),
      definition_(definition),
      backColour_(definition.background) {
  for (const ControlDefinition& control : definition.controls) {
    controls_.push_back({&control, std::wstring(control.text), control.background});
  }
  surface_.connect(this);
}

std::size_t MainWindowModel::indexOf(std::wstring_view name) const {
  return controlIndex(definition_, name);
}

MainWindowModel::Control& MainWindowModel::at(std::size_t control) {
  if (control >= controls_.size()) throw Failure(L"Control array index out of bounds");
  return controls_[control];
}

const MainWindowModel::Control& MainWindowModel::at(std::size_t control) const {
  return const_cast<MainWindowModel*>(this)->at(control);
}

// Setting a text from code raises the change event only when the text differs;
// an edit by the user raises it every time, as the box reports it.
void MainWindowModel::setText(std::size_t control, const std::wstring& text) {
  Control& box = at(control);
  if (box.text == text) return;
  {
    const ShowingFromCode showing(showingFromCode_);
    surface_.showText(control, text);
  }
  box.text = text;
  raise(control, ControlEvent::Change);
}

void MainWindowModel::textEdited(std::size_t control, std::wstring text) {
  at(control).text = std::move(text);
  if (!showingFromCode_) raise(control, ControlEvent::Change);
}

void MainWindowModel::selectText1(std::size_t start, std::size_t length) {
  const std::size_t box = indexOf(L"Text1");
  const std::size_t size = at(box).text.size();
  start = std::min(start, size);
  surface_.select(box, start, std::min(length, size - start));
}

// Setting a check box from code raises its click event only when the value changes.
void MainWindowModel::setCheckValue(std::size_t control, int value) {
  if (value < 0 || value > 2) throw Failure(kInvalidPropertyValue);
  Control& box = at(control);
  if (box.value == value) return;
  surface_.showCheck(control, value);
  box.value = value;
  raise(control, ControlEvent::Click);
}

void MainWindowModel::setPicture1BackColor(Colour colour) {
  setControlBackColor(indexOf(L"Picture1"), colour);
}

std::vector<ControlKind> MainWindowModel::controlKinds() {
  std::vector<ControlKind> kinds;
  for (const Control& c : controls_) kinds.push_back(c.definition->kind);
  return kinds;
}

void MainWindowModel::setControlBackColor(std::size_t index, Colour colour) {
  if (index >= controls_.size() || !isVisibleAtRunTime(controls_[index].definition->kind)) {
    throw Failure(kNotSupported);
  }
  if (!controls_[index].definition->transparent) surface_.showBackColour(index, colour);
  controls_[index].backColour = colour;
  showPaintColours(index);
}

void MainWindowModel::setBackColor(Colour colour) {
  surface_.showWindowBackColour(colour);
  backColour_ = colour;
  showPaintColours(kTheWindow);
}

// A transparent control shows its container's colour, whatever its own.
void MainWindowModel::showPaintColours(std::size_t container) {
  const Colour colour = container == kTheWindow ? backColour_ : controls_[container].backColour;
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    const ControlDefinition& c = *controls_[i].definition;
    if (c.transparent && containerIndex(definition_, i) == container) {
      surface_.showBackColour(i, colour);
    }
  }
}

void MainWindowModel::userDid(std::size_t control, ControlEvent event, const MouseArgs& mouse) {
  if (control != kTheWindow && control >= controls_.size()) return;
  if (event == ControlEvent::Click && control != kTheWindow &&
      controls_[control].definition->kind == ControlKind::CheckBox) {
    // A click ticks a clear box and clears a ticked or dimmed one.
    setCheckValue(control, controls_[control].value == 0 ? 1 : 0);
    return;
  }
  raise(control, event, mouse);
}

void MainWindowModel::raise(std::size_t control, ControlEvent event, const MouseArgs& mouse) {
  if (!events_) return;
  const std::wstring_view name =
      control == kTheWindow ? definition_.name : controls_[control].definition->name;
  events_->raise(name, event, mouse);
}

}  // namespace qo
