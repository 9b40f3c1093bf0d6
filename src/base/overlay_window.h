#pragma once

#include <memory>
#include <string>

#include "base/geometry.h"
#include "base/services.h"
#include "base/image.h"
#include "base/common_dialog.h"
#include "base/form_events.h"

namespace qo {

// The side, in pixels, of the square of the picture the preview box shows.
inline constexpr int kPreviewSquareSide = 25;

// The overlay's built window: borderless, over the whole screen, with its
// screen-sized persistent image and the preview box picMain.
class OverlayWindow {
 public:
  virtual ~OverlayWindow() = default;

  virtual void setApplicationIcon() = 0;
  virtual void loadMouseIcon(const std::wstring& path) = 0;

  // Plain copy of size pixels from the screen at (0, 0) into the persistent image.
  virtual void copyFromScreen(ScreenContext& screen, Size size) = 0;
  // A solid, round-ended line into the persistent image; the window shows it.
  virtual void drawLine(Point from, Point to, int penWidth, Colour colour) = 0;
  // Writes the persistent image as a bitmap file to path, replacing any file of
  // that name only once the new one is complete; throws Failure naming path.
  virtual void writeBitmapFile(FileSystem& files, const std::wstring& path) = 0;

  // The preview box picMain, in pixels of the overlay's client area.
  virtual Rect previewBox() = 0;
  virtual void movePreviewBox(Point topLeft) = 0;
  // Copies source (a square of the persistent image, which may reach outside
  // it) scaled into the whole box; the part outside the image shows a neutral colour.
  virtual void showInPreviewBox(Rect source) = 0;

  // Shows the window without owner or modality.
  virtual void show() = 0;
  // The modal dialogs owned by this window.
  virtual DialogHost& dialogs() = 0;
};

class OverlayHost {
 public:
  virtual ~OverlayHost() = default;
  // Builds the overlay window from its definition, hidden, with its persistent image.
  virtual std::unique_ptr<OverlayWindow> buildOverlay(FormEvents& events) = 0;
  // Discards a built window with its image.  It disappears at once; a window that
  // is handling one of its own events goes only once that event has been handled.
  virtual void discardOverlay(std::unique_ptr<OverlayWindow> window) = 0;
};

}  // namespace qo
