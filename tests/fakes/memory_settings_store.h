#pragma once

#include <map>
#include <string>

#include "base/settings_store.h"

namespace qo {

// The settings store in memory, holding values as the registry would, so the
// same read rules apply.
class MemorySettingsStore final : public SettingsStore {
 public:
  std::wstring GetSetting(std::wstring_view application, std::wstring_view section,
                          std::wstring_view key, std::int32_t defaultValue) override;
  void SaveSetting(std::wstring_view application, std::wstring_view section, std::wstring_view key,
                   std::wstring_view text) override;

  // This program's value of key, as stored; nothing when it is missing.
  const StoredValue* find(std::wstring_view key) const;
  // This program's value of key as text ("(missing)" when missing), for tests.
  std::wstring text(std::wstring_view key) const;
  void put(std::wstring_view key, StoredValue value);

  std::map<std::wstring, StoredValue> values;  // by application\section\key
  int writes = 0;
  bool failWrites = false;
};

}  // namespace qo
