#pragma once

#include "base/overlay_window.h"
#include "base/services.h"
#include "base/settings_store.h"

namespace qo {

// Every platform service the handlers use, in one bundle.
struct Platform {
  Application& app;
  MessageBoxes& messages;
  Locale& locale;
  Clock& clock;
  EventPump& events;
  FileSystem& files;
  Screen& screen;
  OverlayHost& overlays;
  SettingsStore& settings;
};

}  // namespace qo
