#include "platform/headless/headless_main_window.h"

#include <algorithm>

#include "base/failure.h"

namespace qo {

HeadlessMainWindow::HeadlessMainWindow()
    : backColour(form1Definition().background), caption_(form1Definition().caption) {
  for (const ControlDefinition& definition : form1Definition().controls) {
    controls_.push_back({&definition, std::wstring(definition.text), definition.background});
  }
}

HeadlessMainWindow::Control& HeadlessMainWindow::control(std::wstring_view name) {
  for (Control& c : controls_) {
    if (c.definition->name == name) return c;
  }
  throw Failure(L"The main window has no control named " + std::wstring(name) + L".");
}

Rect HeadlessMainWindow::controlRect(std::wstring_view name) {
  return pixelRect(*control(name).definition, 96);
}

void HeadlessMainWindow::raise(std::wstring_view name, ControlEvent event, const MouseArgs& mouse) {
  if (events_) raiseEvent(*events_, name, event, mouse);
}

void HeadlessMainWindow::failIfAsked(std::wstring_view setter) const {
  if (failing.contains(setter)) throw Failure(L"Invalid property value");
}

void HeadlessMainWindow::setCaption(const std::wstring& caption) {
  failIfAsked(L"setCaption");
  caption_ = caption;
}

void HeadlessMainWindow::setApplicationIcon() {
  failIfAsked(L"setApplicationIcon");
  hasApplicationIcon = true;
}

void HeadlessMainWindow::setPicture1BackColor(Colour colour) {
  failIfAsked(L"setPicture1BackColor");
  control(L"Picture1").backColour = colour;
}

void HeadlessMainWindow::setText1Text(const std::wstring& text) {
  failIfAsked(L"setText1Text");
  Control& box = control(L"Text1");
  if (box.text == text) return;
  box.text = text;
  selectionStart = selectionLength = 0;
  raise(L"Text1", ControlEvent::Change);
}

void HeadlessMainWindow::selectText1(std::size_t start, std::size_t length) {
  const std::size_t size = text1Text().size();
  selectionStart = std::min(start, size);
  selectionLength = std::min(length, size - selectionStart);
}

void HeadlessMainWindow::setCheck1Value(int value) {
  if (value < 0 || value > 2) throw Failure(L"Invalid property value");
  Control& box = control(L"Check1");
  if (box.value == value) return;
  box.value = value;
  raise(L"Check1", ControlEvent::Click);
}

void HeadlessMainWindow::loadMouseIcon(const std::wstring& path) {
  if (mouseIconIsBad) throw Failure(L"HAND-M.CUR could not be read as a cursor.");
  mouseIcon = path;
}

std::vector<ControlKind> HeadlessMainWindow::controlKinds() {
  std::vector<ControlKind> kinds;
  for (const Control& c : controls_) kinds.push_back(c.definition->kind);
  return kinds;
}

void HeadlessMainWindow::setControlBackColor(std::size_t index, Colour colour) {
  if (index >= controls_.size() || !isVisibleAtRunTime(controls_[index].definition->kind)) {
    throw Failure(L"Object doesn't support this property or method");
  }
  controls_[index].backColour = colour;
}

void HeadlessMainWindow::load() { raise(L"Form1", ControlEvent::Load); }

void HeadlessMainWindow::unload() { raise(L"Form1", ControlEvent::Unload); }

void HeadlessMainWindow::userTypes(std::wstring_view keys) {
  for (const wchar_t key : keys) {
    Control& box = control(L"Text1");
    box.text.replace(selectionStart, selectionLength, 1, key);
    selectionStart += 1;
    selectionLength = 0;
    raise(L"Text1", ControlEvent::Change);
  }
}

void HeadlessMainWindow::userClicks(std::wstring_view name) {
  Control& clicked = control(name);
  if (clicked.definition->kind == ControlKind::CheckBox) {
    // A click ticks a clear box and clears a ticked or dimmed one.
    clicked.value = clicked.value == 0 ? 1 : 0;
  }
  raise(name, ControlEvent::Click);
}

void HeadlessMainWindow::userFocuses(std::wstring_view name) {
  const std::wstring previous = focus;
  focus = std::wstring(name);
  if (previous == focus) return;
  raise(previous, ControlEvent::LostFocus);
  raise(name, ControlEvent::GotFocus);
}

void HeadlessMainWindow::userMovesMouseOver(std::wstring_view name, MouseArgs args) {
  raise(name, ControlEvent::MouseMove, args);
}

}  // namespace qo
