#include "base/settings_store.h"

#include <string>

#include "base/failure.h"

namespace qo {

std::optional<std::wstring> storedValueText(const StoredValue& value) {
  const auto& bytes = value.bytes;
  checkStoredSize(bytes.size());
  if (value.type == kRegDword) {
    if (bytes.size() != 4) return std::nullopt;
    const std::uint32_t number = bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) |
                                 (static_cast<std::uint32_t>(bytes[3]) << 24);
    // Colours with the high bit set name system colours, written as negative numbers.
    return std::to_wstring(static_cast<std::int32_t>(number));
  }
  // Not expanded: the restore writes the text back, and must write back what it read.
  if (value.type != kRegSz && value.type != kRegExpandSz) return std::nullopt;
  std::wstring text;
  // A string stored without its closing NUL, or with an odd last byte, still reads.
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == L'\0') break;
    text += unit;
  }
  return text;
}

void checkStoredSize(std::size_t bytes) {
  if (bytes > kLongestSettingBytes) {
    throw Failure(L"The stored setting is longer than " + std::to_wstring(kLongestText) +
                  L" characters and was not read.");
  }
}

StoredValue textValue(std::wstring_view text) {
  StoredValue value{kRegSz, {}};
  value.bytes.reserve((text.size() + 1) * 2);
  for (const wchar_t c : text) {
    const auto unit = static_cast<std::uint16_t>(c);
    value.bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    value.bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  value.bytes.push_back(0);
  value.bytes.push_back(0);
  return value;
}

}  // namespace qo
