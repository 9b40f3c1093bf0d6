#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace qo {

// A larger file is no cursor of ours.
inline constexpr std::size_t kLargestCursorFile = 4 * 1024 * 1024;

// Whether bytes hold a Windows cursor file (.CUR): its header, and every image
// it lists lying whole inside the file as a bitmap or a PNG.  Icons (.ICO),
// animated cursors (.ANI), plain bitmaps and pictures are not cursors.
bool isCursorFile(std::span<const std::uint8_t> bytes);

}  // namespace qo
