#pragma once

#include <memory>
#include <optional>

#include "base/overlay_window.h"
#include "platform/win32/dialogs_win32.h"
#include "platform/win32/persistent_image.h"
#include "platform/win32/window_class.h"
#include "ui/window_definitions.h"

namespace qo::win32 {

// The preview box picMain: a child that draws nothing of its own but its
// background; the preview is copied into it directly.
class PreviewBox final : public WindowBase {
 public:
  PreviewBox(HWND parent, RECT bounds);

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

// The overlay Form2: borderless, maximised over the whole screen, no taskbar
// button, with its persistent image alive from creation.
class Win32OverlayWindow final : public WindowBase, public OverlayWindow {
 public:
  explicit Win32OverlayWindow(FormEvents& events);

  void setApplicationIcon() override;
  void loadMouseIcon(const std::wstring& path) override;
  void copyFromScreen(ScreenContext& screen, Size size) override;
  void drawLine(Point from, Point to, int penWidth, Colour colour) override;
  // The persistent image's memory DC, where the tests read its pixels.
  HDC imageDc() const { return image_->dc(); }
  void writeBitmapFile(FileSystem& files, const std::wstring& path) override {
    image_->writeBitmapFile(files, path);
  }
  Rect previewBox() override;
  void movePreviewBox(Point topLeft) override;
  void showInPreviewBox(Rect source) override;
  void show() override;
  DialogHost& dialogs() override { return dialogs_; }

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void paint();
  void raise(ControlEvent event, int button, WPARAM wParam, LPARAM lParam);

  FormEvents& events_;
  std::unique_ptr<PersistentImage> image_;
  std::unique_ptr<PreviewBox> previewBox_;
  Win32DialogHost dialogs_;
  UniqueBrush neutral_;
  UniqueCursor mouseIcon_;
};

class Win32OverlayHost final : public OverlayHost {
 public:
  std::unique_ptr<OverlayWindow> buildOverlay(FormEvents& events) override;
  void discardOverlay(std::unique_ptr<OverlayWindow> window) override;
};


}  // namespace qo::win32
