#pragma once

#include <algorithm>

namespace qo {

// Two names (of char or wchar_t) equal when only the case of their ASCII letters
// differs: section and key names in a skin, and our own temporary names.
template <typename Text>
bool sameIgnoringAsciiCase(const Text& a, const Text& b) {
  const auto lower = [](auto c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c + 0; };
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](auto x, auto y) { return lower(x) == lower(y); });
}

}  // namespace qo
