#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/image.h"
#include "base/services.h"
#include "formats/bitmap_file.h"

namespace qo {

// The whole bitmap file of a picture of 32-bit pixels, as the program's headers
// (encodeBmpHeaders) and a 24-bit DIB's rows make it: what the tests compare a
// saved file with, and what the in-memory overlay saves.  Throws Failure for a
// picture without pixels or too large for the format.
std::vector<std::uint8_t> encodeBmp(const ImageView& image);

// Writes encodeBmp(image) to path through writeFileReplacing.
void saveBitmapFile(FileSystem& files, const std::wstring& path, const ImageView& image);

}  // namespace qo
