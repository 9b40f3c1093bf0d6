// Helpers shared by the bad-input catalogue (the *_bad_input_test.cpp files).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace qo::bad_input {

// Texts of the catalogue: a "1 MB paste" is a million UTF-16 code units.
inline constexpr std::size_t kMegabyte = 1 << 20;

inline std::wstring times(std::size_t count, std::wstring_view part) {
  std::wstring text;
  text.reserve(count * part.size());
  for (std::size_t i = 0; i < count; ++i) text += part;
  return text;
}

// False when a surrogate half stands alone: a text cut in the middle of a pair.
inline bool isWholeUtf16(std::wstring_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool high = text[i] >= 0xD800 && text[i] <= 0xDBFF;
    const bool low = text[i] >= 0xDC00 && text[i] <= 0xDFFF;
    if (low) return false;
    if (high && (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF)) return false;
    if (high) ++i;
  }
  return true;
}

// Short printable form for messages: non-ASCII as \uXXXX, long texts cut.
inline std::string printable(std::wstring_view text) {
  std::string out;
  for (const wchar_t c : text.substr(0, 48)) {
    const auto code = static_cast<std::uint32_t>(c);
    if (code >= 0x20 && code < 0x7F) {
      out.push_back(static_cast<char>(code));
    } else {
      char buffer[16];
      std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(code));
      out += buffer;
    }
  }
  if (text.size() > 48) out += "... (" + std::to_string(text.size()) + " units)";
  return out;
}

}  // namespace qo::bad_input
