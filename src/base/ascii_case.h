#pragma once

#include <algorithm>
#include <string_view>

namespace qo {

namespace detail {

template <typename Char>
constexpr bool sameIgnoringAsciiCase(std::basic_string_view<Char> a,
                                     std::basic_string_view<Char> b) {
  const auto lower = [](Char c) {
    return c >= Char('A') && c <= Char('Z') ? static_cast<Char>(c - Char('A') + Char('a')) : c;
  };
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [&](Char x, Char y) { return lower(x) == lower(y); });
}

}  // namespace detail

// Two names equal when only the case of their ASCII letters differs: section and
// key names in a skin, and our own temporary names, which hold no other letters.
constexpr bool sameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return detail::sameIgnoringAsciiCase(a, b);
}
constexpr bool sameIgnoringAsciiCase(std::wstring_view a, std::wstring_view b) {
  return detail::sameIgnoringAsciiCase(a, b);
}

}  // namespace qo
