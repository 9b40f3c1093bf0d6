#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/geometry.h"
#include "base/image.h"
#include "base/services.h"
#include "platform/win32/handles.h"

namespace qo::win32 {

// A screen-sized DIB section selected into its own memory DC: what the overlay
// draws on, repaints from and saves.
//
// Its pixels are kept in the bitmap file's own layout (24 bits per pixel, rows
// bottom-up, each padded to four bytes), so saving writes the file's headers and
// then the pixels as they lie, with no copy and no conversion.
//
// It starts in one colour.  Filling a screen-sized image costs about a tenth of
// opening the overlay, and the screen copy that comes next usually covers all of
// it, so the fill is left until something else first uses the image.
class PersistentImage {
 public:
  PersistentImage(Size size, COLORREF fill);
  PersistentImage(const PersistentImage&) = delete;
  PersistentImage& operator=(const PersistentImage&) = delete;

  HDC dc() const {
    fillIfPending();
    return dc_.get();
  }
  Size size() const { return size_; }
  // Copies the area from (0, 0) of the given size from source into the image;
  // what the system does not copy shows the starting colour.
  void copyFrom(HDC source, Size area);
  // The pixels as 32-bit values, top-down, for reading them one by one: made on
  // each call, so it holds a second copy of the image; saving never uses it.
  ImageView view() const;

  // A solid line with round ends and joins; returns the bounds it may have touched.
  RECT drawLine(POINT from, POINT to, int penWidth, COLORREF colour);

  // Writes the image as a bitmap file to path, replacing any file of that name
  // only once the new one is complete.
  void writeBitmapFile(FileSystem& files, const std::wstring& path) const;

 private:
  HPEN penFor(int width, COLORREF colour);
  void fillIfPending() const;
  void fill(const RECT& area, COLORREF colour) const;

  Size size_;
  std::size_t pixelBytes_ = 0;
  UniqueMemoryDc dc_;
  UniqueBitmap bitmap_;
  const std::uint8_t* bits_ = nullptr;
  std::optional<SelectedObject> selectedBitmap_;
  UniquePen pen_;  // the last pen used, kept while width and colour stay the same
  int penWidth_ = 0;
  COLORREF penColour_ = 0;
  mutable std::vector<std::uint32_t> viewPixels_;
  mutable std::optional<COLORREF> pendingFill_;
};

// Copies area between two DCs, to the same place, in bands of a few megabytes;
// calls failed(band) for each band the system did not copy.
void copyInBands(HDC target, HDC source, const RECT& area,
                 const std::function<void(const RECT&)>& failed = {});

}  // namespace qo::win32
