#pragma once

#include <cstddef>
#include <string>

#include "base/common_dialog.h"
#include "base/form_events.h"
#include "base/geometry.h"
#include "base/skin.h"

namespace qo {

// The window's pointer settings (MousePointer).
inline constexpr int kDefaultPointer = 0;
inline constexpr int kCustomPointer = 99;

// The main window's controls and state, as the handlers of Form1 and Form2 read
// and change them.  Setting a value from code raises the event the user's own
// change would (Text1_Change, Check1_Click), and only when the value changes.
class MainWindow : public SkinnableWindow {
 public:
  // Where the window's events go; nothing is raised before this.
  virtual void connect(FormEvents& events) = 0;

  virtual std::wstring text1Text() = 0;
  virtual void setText1Text(const std::wstring& text) = 0;
  // Selection of the thickness box, in characters.
  virtual void selectText1(std::size_t start, std::size_t length) = 0;

  virtual int check1Value() = 0;  // 0 clear, 1 ticked, 2 dimmed
  // Throws Failure for a value other than 0, 1 or 2; the box keeps its state.
  virtual void setCheck1Value(int value) = 0;

  virtual Colour picture1BackColor() = 0;
  // Raises nothing: the swatch's only event is the click that opens the colour
  // chooser, which itself sets the colour.
  virtual void setPicture1BackColor(Colour colour) = 0;

  virtual std::wstring label1Caption() = 0;
  virtual std::wstring label2Caption() = 0;

  virtual void setCaption(const std::wstring& caption) = 0;
  // The program file's icon group 1, big and small.
  virtual void setApplicationIcon() = 0;
  // The custom pointer image (MouseIcon) from a .CUR file; throws Failure when
  // the file cannot be read as a cursor.
  virtual void loadMouseIcon(const std::wstring& path) = 0;
  // kDefaultPointer or kCustomPointer; with no custom image, the custom setting
  // shows the ordinary pointer.
  virtual void setMousePointer(int pointer) = 0;

  virtual void minimise() = 0;
  // Back to the normal state; a window already normal stays as it is.
  virtual void restoreNormal() = 0;

  // The modal dialogs owned by this window (behind CommonDialog1).
  virtual DialogHost& dialogs() = 0;
};

}  // namespace qo
