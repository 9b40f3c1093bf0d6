// The overlay's persistent image read back as 32-bit pixels, for the Win32 tests
// and the benchmarks: the program itself never reads it whole.
#pragma once

#include <cstdint>
#include <vector>

#include "base/image.h"
#include "platform/win32/handles.h"
#include "platform/win32/overlay_window_win32.h"

namespace qo::win32::testing {

// The pixels of the bitmap selected into image, 0x00RRGGBB, top-down; valid
// until the next call.
inline ImageView pixelsOf(HDC image) {
  BITMAP facts{};
  ::GetObjectW(::GetCurrentObject(image, OBJ_BITMAP), sizeof facts, &facts);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), facts.bmWidth, -facts.bmHeight, 1, 32, BI_RGB};
  void* bits = nullptr;
  UniqueBitmap copy(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  UniqueMemoryDc dc(::CreateCompatibleDC(nullptr));
  {
    SelectedObject selected(dc.get(), copy.get());
    ::BitBlt(dc.get(), 0, 0, facts.bmWidth, facts.bmHeight, image, 0, 0, SRCCOPY);
    ::GdiFlush();
  }
  static std::vector<std::uint32_t> pixels;
  const auto* from = static_cast<const std::uint32_t*>(bits);
  pixels.assign(from, from + static_cast<std::size_t>(facts.bmWidth) * facts.bmHeight);
  for (std::uint32_t& pixel : pixels) pixel &= 0x00FFFFFF;
  return {facts.bmWidth, facts.bmHeight, facts.bmWidth, pixels.data()};
}

inline ImageView overlayPixels(OverlayWindow& window) {
  return pixelsOf(static_cast<Win32OverlayWindow&>(window).imageDc());
}

}  // namespace qo::win32::testing
