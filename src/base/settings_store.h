#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/services.h"

namespace qo {

// Where this program's options live in the store.
inline constexpr std::wstring_view kSettingsApplication = L"Vantorel";
inline constexpr std::wstring_view kSettingsSection = kProductName;

// The line options' keys (named after the controls that show them) and defaults.
struct LineOption { std::wstring_view key; std::int32_t defaultValue; };
inline constexpr LineOption kThicknessOption{L"Text1", 5};
inline constexpr LineOption kColourOption{L"Color", 255};
inline constexpr LineOption kMinimiseOption{L"Check1", 0};

// Per-user text values addressed by application, section and key.  Nothing is
// cached: every read goes to the store, every write straight through.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored text; the default's decimal text when the application, section
  // or key is missing or the stored value cannot be read as an option's text.
  // Throws Failure for a value too long to be read (see kLongestSettingBytes).
  virtual std::wstring GetSetting(std::wstring_view application, std::wstring_view section,
                                  std::wstring_view key, std::int32_t defaultValue) = 0;
  // Creates application, section and key as needed; throws Failure when the
  // value cannot be written.
  virtual void SaveSetting(std::wstring_view application, std::wstring_view section,
                           std::wstring_view key, std::wstring_view text) = 0;
};

// A stored value as the registry keeps it: its type (the REG_* numbers) and bytes.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// The characters a text box holds: a single-line edit's own limit.
inline constexpr std::size_t kLongestText = 32767;
// Everything the thickness box holds with its closing NUL reads back.  Only a
// value planted by someone else is longer, and its read fails rather than taking the default: the default would be
// restored into the box and written over that value.
inline constexpr std::size_t kLongestSettingBytes = (kLongestText + 1) * 2;

struct StoredValue {
  std::uint32_t type = kRegSz;
  std::vector<std::uint8_t> bytes;
};

// What a stored value reads as: a string's text up to its first NUL (empty for
// no bytes), expandable ones as stored, unexpanded; a 32-bit number's signed
// decimal text; nothing (the default applies) for any other type or a malformed
// number.  Throws Failure for more than kLongestSettingBytes bytes.
std::optional<std::wstring> storedValueText(const StoredValue& value);

// Throws Failure when a stored value of this many bytes is too long to be read.
void checkStoredSize(std::size_t bytes);

// A string value's bytes: UTF-16 little-endian with its closing NUL.
StoredValue textValue(std::wstring_view text);

}  // namespace qo
