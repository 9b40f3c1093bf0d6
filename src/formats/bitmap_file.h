#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/geometry.h"
#include "base/services.h"

namespace qo {

// An uncompressed 24-bit Windows bitmap file: BITMAPFILEHEADER, BITMAPINFOHEADER
// (BI_RGB), then the rows bottom-up, each padded to four bytes, pixels in the
// byte order blue, green, red (a 24-bit DIB's own layout).

// The two headers of such a file, which the pixel rows follow directly.
constexpr std::size_t kBmpHeaderBytes = 54;
// Bytes of one stored row of a picture width pixels wide: three per pixel, padded
// to a multiple of four.
std::uint64_t bmpRowBytes(int width);
// Writes the headers for a picture of size into out; throws Failure when the
// picture is empty or too large for the format.
void encodeBmpHeaders(std::span<std::uint8_t, kBmpHeaderBytes> out, Size size);

// Writes the pieces to a temporary file beside path and moves it over path only
// when it is complete, so a failed write leaves an existing file untouched and no
// temporary file behind.  Throws Failure when the file cannot be written.
void writeFileReplacing(FileSystem& files, const std::wstring& path, FilePieces pieces);
// The same for a file of one piece.
inline void writeFileReplacing(FileSystem& files, const std::wstring& path,
                               std::span<const std::uint8_t> bytes) {
  writeFileReplacing(files, path, FilePieces(&bytes, 1));
}

}  // namespace qo
