#include "base/geometry.h"

#include <algorithm>

namespace qo {

Rect intersect(const Rect& a, const Rect& b) {
  Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.empty()) return {};
  return r;
}

}  // namespace qo
