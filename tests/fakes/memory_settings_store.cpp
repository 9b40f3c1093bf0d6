#include "fakes/memory_settings_store.h"

#include "base/failure.h"

namespace qo {

namespace {

std::wstring address(std::wstring_view application, std::wstring_view section,
                     std::wstring_view key) {
  return std::wstring(application) + L"\\" + std::wstring(section) + L"\\" + std::wstring(key);
}

}  // namespace

std::wstring MemorySettingsStore::GetSetting(std::wstring_view application,
                                             std::wstring_view section, std::wstring_view key,
                                             std::int32_t defaultValue) {
  const auto found = values.find(address(application, section, key));
  if (found != values.end()) {
    if (auto text = storedValueText(found->second)) return *text;
  }
  return std::to_wstring(defaultValue);
}

void MemorySettingsStore::SaveSetting(std::wstring_view application, std::wstring_view section,
                                      std::wstring_view key, std::wstring_view text) {
  if (failWrites) throw Failure(L"Access is denied.");
  ++writes;
  values[address(application, section, key)] = textValue(text);
}

const StoredValue* MemorySettingsStore::find(std::wstring_view key) const {
  const auto found = values.find(address(kSettingsApplication, kSettingsSection, key));
  return found == values.end() ? nullptr : &found->second;
}

std::wstring MemorySettingsStore::text(std::wstring_view key) const {
  const StoredValue* value = find(key);
  if (!value) return L"(missing)";
  return storedValueText(*value).value_or(L"(unreadable)");
}

void MemorySettingsStore::put(std::wstring_view key, StoredValue value) {
  values[address(kSettingsApplication, kSettingsSection, key)] = std::move(value);
}

}  // namespace qo
