#include "platform/win32/persistent_image.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>

#include "base/failure.h"
#include "formats/bitmap_file.h"
#include "platform/win32/win32_error.h"

namespace qo::win32 {

namespace {

constexpr int kBandBytes = 4 << 20;

[[noreturn]] void throwTooLarge(Size size) {
  throwLastError(L"A picture of " + std::to_wstring(size.width) + L" x " +
                 std::to_wstring(size.height) + L" pixels could not be created.");
}

}  // namespace

PersistentImage::PersistentImage(Size size, COLORREF fill) : size_(size) {
  // Each failure below names a system reason only when its own call set one.
  ::SetLastError(0);
  const std::uint64_t pixelBytes =
      bmpRowBytes(size.width) * static_cast<std::uint64_t>(std::max(size.height, 0));
  if (size.width <= 0 || size.height <= 0 || pixelBytes > 0x7FFFFFFFu) throwTooLarge(size);
  pixelBytes_ = static_cast<std::size_t>(pixelBytes);
  dc_.reset(::CreateCompatibleDC(nullptr));
  if (!dc_) throwLastError(L"The drawing surface could not be created.");
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = size.width;
  info.bmiHeader.biHeight = size.height;  // positive: rows bottom-up, as in the file
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  ::SetLastError(0);
  bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap_ || !bits) throwTooLarge(size);
  bits_ = static_cast<const std::uint8_t*>(bits);
  selectedBitmap_.emplace(dc_.get(), bitmap_.get());
  pendingFill_ = fill;
}

void PersistentImage::fill(const RECT& area, COLORREF colour) const {
  UniqueBrush brush(::CreateSolidBrush(colour));
  ::FillRect(dc_.get(), &area, brush.get());
}

void PersistentImage::fillIfPending() const {
  if (const auto colour = std::exchange(pendingFill_, std::nullopt)) {
    fill({0, 0, size_.width, size_.height}, *colour);
  }
}

void PersistentImage::copyFrom(HDC source, Size area) {
  if (area.width < size_.width || area.height < size_.height) fillIfPending();
  // A copy of the whole image leaves the fill to the bands it misses.
  const auto colour = std::exchange(pendingFill_, std::nullopt);
  copyAsOneBlock({0, 0, area.width, area.height}, blitBetween(dc_.get(), source),
                 [&](const RECT& band) {
                   if (colour) fill(band, *colour);
                 });
}

void PersistentImage::writeBitmapFile(FileSystem& files, const std::wstring& path) const {
  fillIfPending();
  ::GdiFlush();
  // The rows already lie as the file holds them, so the file is the headers
  // followed by the image's own bytes, written from where they are.
  std::array<std::uint8_t, kBmpHeaderBytes> headers{};
  encodeBmpHeaders(headers, size_);
  const std::span<const std::uint8_t> pieces[] = {headers, {bits_, pixelBytes_}};
  writeFileReplacing(files, path, pieces);
}
HPEN PersistentImage::penFor(int width, COLORREF colour) {
  if (!pen_ || width != penWidth_ || colour != penColour_) {
    // Wide pens from CreatePen have round ends and joins, so segments meet without gaps.
    ::SetLastError(0);
    UniquePen pen(::CreatePen(PS_SOLID, width, colour));
    if (!pen) throwLastError(L"A pen could not be created.");
    pen_ = std::move(pen);
    penWidth_ = width;
    penColour_ = colour;
  }
  return pen_.get();
}

RECT PersistentImage::drawLine(POINT from, POINT to, int penWidth, COLORREF colour) {
  HDC dc = this->dc();
  {
    SelectedObject pen(dc, penFor(penWidth, colour));
    ::MoveToEx(dc, from.x, from.y, nullptr);
    ::LineTo(dc, to.x, to.y);
    if (from.x == to.x && from.y == to.y) {
      ::LineTo(dc, to.x + 1, to.y);  // a press without movement leaves a dot
    }
  }
  const int reach = penWidth / 2 + 2;
  return {std::min(from.x, to.x) - reach, std::min(from.y, to.y) - reach,
          std::max(from.x, to.x) + reach + 1, std::max(from.y, to.y) + reach + 1};
}

BlockCopy blitBetween(HDC target, HDC source) {
  return [target, source](const RECT& r) {
    return ::BitBlt(target, r.left, r.top, r.right - r.left, r.bottom - r.top, source, r.left,
                    r.top, SRCCOPY) != FALSE;
  };
}

// [Wine] On its way between the screen's layout and the image's the system reads and
// converts the pixels in buffers of its own as large as what is copied at once:
// for the whole screen in one block they are a second and third screen-sized
// image for a moment.  Repainting copies in bands for that reason; the screen
// copy pays it to be one moment, and falls back to bands only when the system
// cannot find that much memory.
void copyInBands(const RECT& area, const BlockCopy& copy, const Uncopied& uncopied) {
  const int width = static_cast<int>(area.right - area.left);
  const int band = std::max(1, kBandBytes / std::max(1, width * 4));
  for (int top = static_cast<int>(area.top); top < area.bottom; top += band) {
    const RECT piece{area.left, top, area.right, std::min<LONG>(top + band, area.bottom)};
    if (!copy(piece) && uncopied) uncopied(piece);
  }
}

void copyAsOneBlock(const RECT& area, const BlockCopy& copy, const Uncopied& uncopied) {
  if (!copy(area)) copyInBands(area, copy, uncopied);
}

}  // namespace qo::win32
