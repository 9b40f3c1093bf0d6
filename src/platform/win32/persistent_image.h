#pragma once

#include <optional>

#include "base/geometry.h"
#include "base/image.h"
#include "platform/win32/handles.h"

namespace qo::win32 {

// A 32-bit top-down DIB section selected into its own memory DC: what the
// overlay draws on, repaints from and saves.
class PersistentImage {
 public:
  PersistentImage(Size size, COLORREF fill);
  PersistentImage(const PersistentImage&) = delete;
  PersistentImage& operator=(const PersistentImage&) = delete;

  HDC dc() const { return dc_.get(); }
  Size size() const { return size_; }
  ImageView view() const;

  // A solid line with round ends and joins; returns the bounds it may have touched.
  RECT drawLine(POINT from, POINT to, int penWidth, COLORREF colour);

 private:
  HPEN penFor(int width, COLORREF colour);

  Size size_;
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  void* bits_ = nullptr;
  std::optional<SelectedObject> selectedBitmap_;
  UniquePen pen_;  // the last pen used, kept while width and colour stay the same
  int penWidth_ = 0;
  COLORREF penColour_ = 0;
};

}  // namespace qo::win32
