#pragma once

#include <cstdint>

namespace qo {

// A colour in the Windows COLORREF layout: red in the low byte, then green, then
// blue.  With the high bit set the low byte names a system colour by index
// (0x8000000F is button face).
using Colour = std::uint32_t;

constexpr bool isSystemColour(Colour c) { return (c & 0x80000000u) != 0; }
constexpr Colour rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }

struct Point {
  int x = 0;
  int y = 0;
  friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
  int width = 0;
  int height = 0;
  friend bool operator==(const Size&, const Size&) = default;
};

// Half-open rectangle: [left, right) x [top, bottom).
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool empty() const { return right <= left || bottom <= top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

Rect intersect(const Rect& a, const Rect& b);

}  // namespace qo
