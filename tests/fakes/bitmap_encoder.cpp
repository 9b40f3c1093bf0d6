#include "fakes/bitmap_encoder.h"

#include <cstddef>
#include <span>

#include "base/failure.h"

namespace qo {

std::vector<std::uint8_t> encodeBmp(const ImageView& image) {
  if (!image.pixels) throw Failure(L"The picture has no pixels, so there is nothing to save.");
  std::vector<std::uint8_t> out(kBmpHeaderBytes);
  encodeBmpHeaders(std::span<std::uint8_t, kBmpHeaderBytes>(out.data(), kBmpHeaderBytes),
                   {image.width, image.height});
  const std::size_t rowBytes = static_cast<std::size_t>(bmpRowBytes(image.width));
  out.reserve(kBmpHeaderBytes + rowBytes * static_cast<std::size_t>(image.height));
  for (int y = image.height - 1; y >= 0; --y) {  // bottom-up, blue green red, zero padding
    const std::size_t rowStart = out.size();
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t pixel = image.at(x, y);
      out.push_back(static_cast<std::uint8_t>(pixel));
      out.push_back(static_cast<std::uint8_t>(pixel >> 8));
      out.push_back(static_cast<std::uint8_t>(pixel >> 16));
    }
    out.resize(rowStart + rowBytes, 0);
  }
  return out;
}

void saveBitmapFile(FileSystem& files, const std::wstring& path, const ImageView& image) {
  writeFileReplacing(files, path, encodeBmp(image));
}

}  // namespace qo
