#include "platform/win32/persistent_image.h"

#include <algorithm>

#include "platform/win32/win32_error.h"

namespace qo::win32 {

PersistentImage::PersistentImage(Size size, COLORREF fill) : size_(size) {
  ::SetLastError(0);
  dc_.reset(::CreateCompatibleDC(nullptr));
  if (!dc_) throwLastError(L"The drawing surface could not be created.");
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = size.width;
  info.bmiHeader.biHeight = -size.height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  ::SetLastError(0);
  bitmap_.reset(::CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits_, nullptr, 0));
  if (!bitmap_ || !bits_) {
    throwLastError(L"A picture of " + std::to_wstring(size.width) + L" x " +
                   std::to_wstring(size.height) + L" pixels could not be created.");
  }
  selectedBitmap_.emplace(dc_.get(), bitmap_.get());
  UniqueBrush brush(::CreateSolidBrush(fill));
  const RECT all{0, 0, size.width, size.height};
  ::FillRect(dc_.get(), &all, brush.get());
}

ImageView PersistentImage::view() const {
  ::GdiFlush();  // GDI may batch drawing; the pixels must be current
  return {size_.width, size_.height, size_.width, static_cast<const std::uint32_t*>(bits_)};
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
  HDC dc = dc_.get();
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

}  // namespace qo::win32
