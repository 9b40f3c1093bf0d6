#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/services.h"
#include "base/image.h"

namespace qo {

// The image as an uncompressed 24-bit Windows bitmap file: BITMAPFILEHEADER,
// BITMAPINFOHEADER (BI_RGB), rows bottom-up, each padded to four bytes, pixels
// in the byte order blue, green, red.
std::vector<std::uint8_t> encodeBmp(const ImageView& image);

// Writes bytes to a temporary file beside path and moves it over path only when
// it is complete, so a failed write leaves an existing file untouched and no
// temporary file behind.  Throws Failure when the file cannot be written.
void writeFileReplacing(FileSystem& files, const std::wstring& path,
                        std::span<const std::uint8_t> bytes);

void saveBitmapFile(FileSystem& files, const std::wstring& path, const ImageView& image);

}  // namespace qo
