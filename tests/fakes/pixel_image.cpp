#include "fakes/pixel_image.h"

#include <algorithm>
#include <cmath>

namespace qo {

PixelImage::PixelImage(Size size, std::uint32_t fill)
    : size_(size),
      pixels_(static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height), fill) {}

namespace {

double distanceToSegment(double px, double py, Point a, Point b) {
  const double dx = b.x - a.x;
  const double dy = b.y - a.y;
  const double lengthSquared = dx * dx + dy * dy;
  double t = 0.0;
  if (lengthSquared > 0)
    t = std::clamp(((px - a.x) * dx + (py - a.y) * dy) / lengthSquared, 0.0, 1.0);
  return std::hypot(px - (a.x + t * dx), py - (a.y + t * dy));
}

}  // namespace

void PixelImage::drawLine(Point from, Point to, int width, std::uint32_t colour) {
  const double reach = std::max(width, 1) / 2.0;
  const int margin = static_cast<int>(std::ceil(reach));
  const int left = std::max(std::min(from.x, to.x) - margin, 0);
  const int right = std::min(std::max(from.x, to.x) + margin, size_.width - 1);
  const int top = std::max(std::min(from.y, to.y) - margin, 0);
  const int bottom = std::min(std::max(from.y, to.y) + margin, size_.height - 1);
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) {
      if (distanceToSegment(x, y, from, to) <= reach) set(x, y, colour);
    }
  }
}

void PixelImage::copyFrom(const PixelImage& source, Size size) {
  const int width = std::min({size.width, size_.width, source.size_.width});
  const int height = std::min({size.height, size_.height, source.size_.height});
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) set(x, y, source.at(x, y));
  }
}

}  // namespace qo
