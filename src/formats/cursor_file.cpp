#include "formats/cursor_file.h"

namespace qo {

namespace {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kBitmapHeaderSize = 40;
constexpr std::uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

std::uint32_t read16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t read32(std::span<const std::uint8_t> b, std::size_t at) {
  return read16(b, at) | (read16(b, at + 2) << 16);
}

bool isPng(std::span<const std::uint8_t> image) {
  if (image.size() < sizeof kPngSignature) return false;
  for (std::size_t i = 0; i < sizeof kPngSignature; ++i) {
    if (image[i] != kPngSignature[i]) return false;
  }
  return true;
}

// Bytes of rows of that many bits each, padded to whole 32-bit words.
std::uint64_t rowsSize(std::uint64_t bitsPerRow, std::uint64_t rows) {
  return (bitsPerRow + 31) / 32 * 4 * rows;
}

// An uncompressed bitmap of double height (colour rows, then the mask rows),
// whose header, palette and rows fit in image.
bool isCursorBitmap(std::span<const std::uint8_t> image) {
  if (image.size() < kBitmapHeaderSize) return false;
  const std::uint32_t headerSize = read32(image, 0);
  const auto width = static_cast<std::int32_t>(read32(image, 4));
  const auto doubleHeight = static_cast<std::int32_t>(read32(image, 8));
  const std::uint32_t planes = read16(image, 12);
  const std::uint32_t bits = read16(image, 14);
  const std::uint32_t compression = read32(image, 16);
  const std::uint32_t coloursUsed = read32(image, 32);
  if (headerSize < kBitmapHeaderSize || headerSize > image.size()) return false;
  if (width <= 0 || width > 256 || doubleHeight <= 0 || doubleHeight > 512 ||
      doubleHeight % 2 != 0 || planes != 1 || compression != 0) {
    return false;
  }
  if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
  const std::uint64_t palette =
      bits <= 8 ? 4ull * (coloursUsed != 0 ? coloursUsed : (1u << bits)) : 0;
  const auto height = static_cast<std::uint64_t>(doubleHeight / 2);
  const std::uint64_t needed = headerSize + palette +
                               rowsSize(static_cast<std::uint64_t>(width) * bits, height) +
                               rowsSize(static_cast<std::uint64_t>(width), height);
  return needed <= image.size();
}

}  // namespace

bool isCursorFile(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderSize || bytes.size() > kLargestCursorFile) return false;
  const std::uint32_t count = read16(bytes, 4);
  if (read16(bytes, 0) != 0 || read16(bytes, 2) != 2 || count == 0) return false;
  const std::size_t directoryEnd = kHeaderSize + kEntrySize * count;
  if (directoryEnd > bytes.size()) return false;
  for (std::size_t entry = kHeaderSize; entry < directoryEnd; entry += kEntrySize) {
    const std::uint64_t size = read32(bytes, entry + 8);
    const std::uint64_t offset = read32(bytes, entry + 12);
    if (offset < directoryEnd || offset + size > bytes.size()) return false;
    const auto image = bytes.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
    if (!isPng(image) && !isCursorBitmap(image)) return false;
  }
  return true;
}

}  // namespace qo
