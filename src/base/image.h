#pragma once

#include <cstddef>
#include <cstdint>

namespace qo {

// Read-only view of 32-bit pixels, rows top-down, each pixel 0x00RRGGBB (the byte
// order B, G, R, unused of a 32-bit Windows DIB).
struct ImageView {
  int width = 0;
  int height = 0;
  std::ptrdiff_t stride = 0;  // pixels from one row to the next
  const std::uint32_t* pixels = nullptr;

  std::uint32_t at(int x, int y) const { return pixels[y * stride + x]; }
};

}  // namespace qo
