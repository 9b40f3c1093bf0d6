#include "fakes/headless_main_window.h"

#include <utility>

#include "base/failure.h"

namespace qo {

void FakeMainSurface::failIfAsked(std::wstring_view primitive) const {
  if (failing.contains(primitive)) throw Failure(L"Invalid property value");
}

void FakeMainSurface::showText(std::size_t control, const std::wstring& text) {
  failIfAsked(L"showText");
  selectionStart = selectionLength = 0;
  if (input) input->textEdited(control, text);  // an edit reports every change of its text
}

void FakeMainSurface::select(std::size_t, std::size_t start, std::size_t length) {
  selectionStart = start;
  selectionLength = length;
}

void FakeMainSurface::showCaption(const std::wstring& text) {
  failIfAsked(L"showCaption");
  caption = text;
}

void FakeMainSurface::showApplicationIcon() {
  failIfAsked(L"showApplicationIcon");
  hasApplicationIcon = true;
}

void FakeMainSurface::loadPointerImage(const std::wstring& path) {
  if (mouseIconIsBad) throw Failure(L"HAND-M.CUR could not be read as a cursor.");
  mouseIcon = path;
}

std::size_t HeadlessMainWindow::place(std::wstring_view control) const {
  return control == definition_.name ? kTheWindow : controlIndex(definition_, control);
}

void HeadlessMainWindow::userTypes(std::wstring_view keys) {
  for (const wchar_t key : keys) {
    std::wstring text = text1Text();
    text.replace(selectionStart, selectionLength, 1, key);
    selectionStart += 1;
    selectionLength = 0;
    textEdited(place(L"Text1"), std::move(text));
  }
}

void HeadlessMainWindow::userFocuses(std::wstring_view control) {
  const std::wstring previous = std::exchange(focus, std::wstring(control));
  if (previous == focus) return;
  if (!previous.empty()) userDid(place(previous), ControlEvent::LostFocus);
  userDid(place(control), ControlEvent::GotFocus);
}

void HeadlessMainWindow::userMovesMouseOver(std::wstring_view control, MouseArgs args) {
  userDid(place(control), ControlEvent::MouseMove, args);
}

}  // namespace qo
