#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/failure.h"
#include "base/platform.h"
#include "fakes/headless_main_window.h"
#include "fakes/memory_file_system.h"
#include "fakes/memory_settings_store.h"
#include "fakes/pixel_image.h"
#include "fakes/scripted_dialogs.h"
#include "ui/window_definitions.h"

namespace qo {

// In-memory stand-ins for every platform service, for running the real handlers
// in tests.

struct ShownBox {
  std::wstring text;
  std::wstring title;
  unsigned style;
};

class RecordingMessageBoxes final : public MessageBoxes {
 public:
  void show(std::wstring_view text, std::wstring_view title, unsigned style) override;
  // The error reports shown by the handler with this location text.
  std::vector<ShownBox> reportsFrom(std::wstring_view location) const;
  std::vector<ShownBox> shown;
  std::function<void(const ShownBox&)> onShow;  // runs while the box is "open"
};

// What HeadlessApplication::end throws, so that nothing after it runs.
struct ProgramEnded {};

class HeadlessApplication final : public Application {
 public:
  [[noreturn]] void end() override { throw ProgramEnded{}; }
  std::wstring programFolder() override { return folder; }
  std::wstring title() override { return appTitle; }
  void setTitle(std::wstring title) override {
    if (titleFails) throw Failure(L"Out of memory");
    appTitle = std::move(title);
  }
  std::wstring folder = L"C:\\Program Files\\Quillmark Orvane";
  std::wstring appTitle = L"Quillmark";
  bool titleFails = false;
};

class FixedLocale final : public Locale {
 public:
  NumberFormat numberFormat() override { return format; }
  NumberFormat format;
};

// A clock that advances by a fixed step at every reading.
class ManualClock final : public Clock {
 public:
  float secondsSinceMidnight() override;
  float now = 36000.0f;
  float stepPerReading = 0.0f;
  int readings = 0;
};

class CountingEventPump final : public EventPump {
 public:
  void doEvents() override;
  int calls = 0;
  std::function<void()> onEvents;
};

class HeadlessScreenContext final : public ScreenContext {
 public:
  explicit HeadlessScreenContext(int& live) : live_(live) { ++live_; }
  ~HeadlessScreenContext() override { --live_; }

 private:
  int& live_;
};

class HeadlessScreen final : public Screen {
 public:
  explicit HeadlessScreen(Size size) : pixels(size, 0x00336699) {}
  Size size() override { return pixels.size(); }
  std::unique_ptr<ScreenContext> getDC() override;
  PixelImage pixels;
  int liveContexts = 0;
  int contextsTaken = 0;
  bool failGetDC = false;
};

inline constexpr std::uint32_t kNeutralPreview = 0x00808080;
inline constexpr int kPreviewSquareSideHeadless = 25;

class HeadlessOverlayWindow final : public OverlayWindow {
 public:
  HeadlessOverlayWindow(Size screen, ScriptedDialogs& dialogs);

  void setApplicationIcon() override { hasIcon = true; }
  void loadMouseIcon(const std::wstring& path) override;
  void copyFromScreen(ScreenContext& screen, Size size) override;
  void drawLine(Point from, Point to, int penWidth, Colour colour) override;
  ImageView image() { return image_.view(); }
  void writeBitmapFile(FileSystem& files, const std::wstring& path) override;
  Rect previewBox() override { return box; }
  void movePreviewBox(Point topLeft) override;
  void showInPreviewBox(Rect source) override;
  void show() override { ++shows; }
  DialogHost& dialogs() override { return dialogs_; }

  const PixelImage& picture() const { return image_; }
  // What the preview box holds, one pixel per square pixel at 96 DPI.
  const PixelImage& preview() const { return preview_; }

  HeadlessScreen* screenSource = nullptr;  // where copyFromScreen reads
  bool hasIcon = false;
  std::wstring mouseIcon;
  bool mouseIconIsBad = false;
  Rect box = pixelRect(form2Definition().controls[0], 96);  // picMain
  int shows = 0;
  int segments = 0;
  int lastPenWidth = 0;
  std::vector<Rect> previewSources;

 private:
  PixelImage image_;
  PixelImage preview_;
  ScriptedDialogs& dialogs_;
};

class HeadlessOverlayHost final : public OverlayHost {
 public:
  HeadlessOverlayHost(Size screen, HeadlessScreen& source) : screen_(screen), source_(source) {}
  std::unique_ptr<OverlayWindow> buildOverlay(FormEvents& events) override;
  void discardOverlay(std::unique_ptr<OverlayWindow> window) override;

  HeadlessOverlayWindow* current = nullptr;  // the last one built, while it lives
  int built = 0;
  ScriptedDialogs dialogs;
  bool badCursorFile = false;

 private:
  Size screen_;
  HeadlessScreen& source_;
};

// Everything together, wired as the program wires the real ones.
struct HeadlessPlatform {
  explicit HeadlessPlatform(Size screenSize = {1920, 1080});

  HeadlessApplication app;
  RecordingMessageBoxes messages;
  FixedLocale locale;
  ManualClock clock;
  CountingEventPump events;
  MemoryFileSystem files;
  HeadlessScreen screen;
  HeadlessOverlayHost overlays;
  MemorySettingsStore settings;
  HeadlessMainWindow mainWindow;
  Platform platform;
};

}  // namespace qo
