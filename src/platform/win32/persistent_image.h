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
  mutable std::optional<COLORREF> pendingFill_;
};

// Copies one rectangle to the same place; false when the system refused to.
using BlockCopy = std::function<bool(const RECT&)>;
// Told of each rectangle that no copy reached.
using Uncopied = std::function<void(const RECT&)>;

// BitBlt from source to target.
BlockCopy blitBetween(HDC target, HDC source);
// Copies area in bands of a few megabytes; calls uncopied(band) for each band the
// system did not copy.
void copyInBands(const RECT& area, const BlockCopy& copy, const Uncopied& uncopied = {});
// Copies area as one block, so that a source that changes meanwhile (a playing
// video on the screen) is copied as it was at one moment; only where the system
// refuses a block that large is it copied in bands.
void copyAsOneBlock(const RECT& area, const BlockCopy& copy, const Uncopied& uncopied = {});

}  // namespace qo::win32
