#include "platform/win32/settings_store_win32.h"

#include <optional>

#include "platform/win32/win32_error.h"

namespace qo::win32 {

namespace {

// The raw value; nothing when it is missing or cannot be read.  One read into a
// buffer of the longest readable size: a planted multi-megabyte value is never
// fetched, and a value that grows in between cannot be read half.
std::optional<StoredValue> queryValue(HKEY key, const std::wstring& name) {
  DWORD type = 0;
  DWORD size = kLongestSettingBytes;
  StoredValue value{kRegSz, std::vector<std::uint8_t>(size)};
  const LONG read =
      ::RegQueryValueExW(key, name.c_str(), nullptr, &type, value.bytes.data(), &size);
  if (read == ERROR_MORE_DATA) checkStoredSize(size);  // size: the bytes it would need
  if (read != ERROR_SUCCESS) return std::nullopt;
  value.type = type;
  value.bytes.resize(size);
  return value;
}

}  // namespace

std::wstring Win32SettingsStore::sectionPath(std::wstring_view application,
                                             std::wstring_view section) const {
  return base_ + L"\\" + std::wstring(application) + L"\\" + std::wstring(section);
}

std::wstring Win32SettingsStore::GetSetting(std::wstring_view application,
                                            std::wstring_view section, std::wstring_view key,
                                            std::int32_t defaultValue) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(root_, sectionPath(application, section).c_str(), 0, KEY_QUERY_VALUE,
                      &opened) == ERROR_SUCCESS) {
    const UniqueRegistryKey sectionKey(opened);
    if (const auto value = queryValue(sectionKey.get(), std::wstring(key))) {
      if (auto text = storedValueText(*value)) return *text;
    }
  }
  return std::to_wstring(defaultValue);
}

void Win32SettingsStore::SaveSetting(std::wstring_view application, std::wstring_view section,
                                     std::wstring_view key, std::wstring_view text) {
  HKEY created = nullptr;
  const std::wstring path = sectionPath(application, section);
  const LONG opened = ::RegCreateKeyExW(root_, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        KEY_SET_VALUE, nullptr, &created, nullptr);
  if (opened != ERROR_SUCCESS) throwError(L"The settings key could not be opened.", opened);
  const UniqueRegistryKey sectionKey(created);
  const std::wstring data(text);
  const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  const LONG written = ::RegSetValueExW(sectionKey.get(), std::wstring(key).c_str(), 0, REG_SZ,
                                        reinterpret_cast<const BYTE*>(data.c_str()), bytes);
  if (written != ERROR_SUCCESS) throwError(L"The setting could not be written.", written);
}

}  // namespace qo::win32
