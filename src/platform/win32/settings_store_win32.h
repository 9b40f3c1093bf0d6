#pragma once

#include <string>

#include "base/settings_store.h"
#include "platform/win32/handles.h"

namespace qo::win32 {

// The settings store over the registry: application and section become
// root\Software\<application>\<section>, each key a string value there.
// The root is HKEY_CURRENT_USER unless a test hands in another (never closed).
class Win32SettingsStore final : public SettingsStore {
 public:
  explicit Win32SettingsStore(HKEY root = HKEY_CURRENT_USER, std::wstring base = L"Software")
      : root_(root), base_(std::move(base)) {}

  std::wstring GetSetting(std::wstring_view application, std::wstring_view section,
                          std::wstring_view key, std::int32_t defaultValue) override;
  void SaveSetting(std::wstring_view application, std::wstring_view section, std::wstring_view key,
                   std::wstring_view text) override;

  // root\base\application\section
  std::wstring sectionPath(std::wstring_view application, std::wstring_view section) const;

 private:
  HKEY root_;
  std::wstring base_;
};

}  // namespace qo::win32
