#include "app/start_up.h"

#include <optional>

#include "app/skin_loader.h"
#include "base/error_report.h"
#include "base/numeric_text.h"
#include "base/shared_services.h"

namespace qo {

namespace {

constexpr std::size_t kLongestAppTitle = 40;

std::wstring option(SettingsStore& store, const LineOption& option) {
  return store.GetSetting(kSettingsApplication, kSettingsSection, option.key, option.defaultValue);
}

}  // namespace

std::wstring appTitleFrom(std::wstring_view text) {
  std::wstring title(text);
  do {
    const auto blank = title.rfind(L' ');
    // A long text without a blank would otherwise be cut forever (or not at all).
    if (blank == std::wstring::npos) break;
    title.resize(blank);
  } while (title.size() > kLongestAppTitle);
  return title;
}

void SetAppTitle(Application& app) { app.setTitle(appTitleFrom(kProductName)); }

void StartUp::Form_Load() {
  Guard guard(platform_.messages, location::kForm1Load);
  guard.step(100, [&] { LoadSkin(platform_.app, platform_.files, window_); });
  std::optional<std::wstring> cursor;
  guard.step(104, [&] { cursor = handPointerBesideProgram(platform_.app, platform_.files); });
  if (cursor) guard.step(106, [&] { window_.loadMouseIcon(*cursor); });
  guard.step(126, [&] { window_.setCaption(std::wstring(kProductName)); });
  guard.step(126, [&] { window_.setApplicationIcon(); });
  guard.step(126, [&] { SetAppTitle(platform_.app); });
  // Set through the controls, so their change handlers store what they restore.
  guard.step(128, [&] { window_.setText1Text(option(platform_.settings, kThicknessOption)); });
  guard.step(130, [&] {
    const std::wstring stored = option(platform_.settings, kColourOption);
    const std::int32_t colour = textToInt32(stored, platform_.locale.numberFormat());
    window_.setPicture1BackColor(static_cast<Colour>(colour));
  });
  guard.step(132, [&] {
    const std::wstring stored = option(platform_.settings, kMinimiseOption);
    window_.setCheck1Value(textToInt16(stored, platform_.locale.numberFormat()));
  });
}

void StartUp::Form_Unload() { platform_.app.end(); }

}  // namespace qo
