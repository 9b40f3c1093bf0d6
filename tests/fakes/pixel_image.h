#pragma once

#include <cstdint>
#include <vector>

#include "base/geometry.h"
#include "base/image.h"

namespace qo {

// A picture in memory, 0x00RRGGBB pixels, with a simple rasteriser for the
// round-ended lines the overlay draws.
class PixelImage {
 public:
  PixelImage(Size size, std::uint32_t fill);

  Size size() const { return size_; }
  std::uint32_t at(int x, int y) const { return pixels_[index(x, y)]; }
  void set(int x, int y, std::uint32_t value) { pixels_[index(x, y)] = value; }
  bool contains(int x, int y) const {
    return x >= 0 && y >= 0 && x < size_.width && y < size_.height;
  }
  ImageView view() const { return {size_.width, size_.height, size_.width, pixels_.data()}; }

  // Sets every pixel whose centre lies within width / 2 of the segment (at least
  // the pixels the segment passes through).
  void drawLine(Point from, Point to, int width, std::uint32_t colour);

  // Plain copy of a rectangle of source to (0, 0); pixels outside source are left.
  void copyFrom(const PixelImage& source, Size size);

 private:
  std::size_t index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(size_.width) +
           static_cast<std::size_t>(x);
  }

  Size size_;
  std::vector<std::uint32_t> pixels_;
};

// COLORREF (red in the low byte) to a pixel (red in bits 16 to 23).
constexpr std::uint32_t pixelOf(Colour colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

}  // namespace qo
