// Fuzzes the bitmap file as the program saves it: its headers (encodeBmpHeaders)
// and the picture's rows, already laid out as the file holds them, written as two
// pieces through writeFileReplacing, here into the in-memory file system, over an
// existing file or not, with or without a write that fails part-way.  A file
// written is read back by a small reader of our own that shares nothing with the
// encoder: every header field must agree with the size and the rows must follow
// byte for byte.  A failed write must leave the old file as it was and nothing
// else behind.  Sizes that cannot be encoded (no pixels, or too large for a
// bitmap file) must be refused with a Failure.
//
// Input: byte 0 picks the kind of case, bytes 1 to 4 the width and height, byte 5
// the old file and the failing write; the rest are row bytes, repeated as needed.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "base/failure.h"
#include "fakes/memory_file_system.h"
#include "formats/bitmap_file.h"

namespace {

void check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "bitmap_file_fuzz: %s\n", what);
  std::abort();
}

std::uint32_t readLe(const std::vector<std::uint8_t>& bytes, std::size_t at, int count) {
  check(at + static_cast<std::size_t>(count) <= bytes.size(), "a header field lies in the file");
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
  return value;
}

// Reads an uncompressed 24-bit bottom-up bitmap file of width x height pixels,
// checks every field on the way, and returns where its rows start.
std::size_t rowsOf(const std::vector<std::uint8_t>& file, int width, int height) {
  check(file.size() >= 54, "file holds both headers");
  check(file[0] == 'B' && file[1] == 'M', "file starts with BM");
  check(readLe(file, 2, 4) == file.size(), "file size field");
  check(readLe(file, 6, 4) == 0, "reserved words are zero");
  const std::uint32_t offset = readLe(file, 10, 4);
  check(readLe(file, 14, 4) == 40, "info header size");
  check(static_cast<std::int32_t>(readLe(file, 18, 4)) == width, "width");
  check(static_cast<std::int32_t>(readLe(file, 22, 4)) == height, "height, rows stored bottom-up");
  check(readLe(file, 26, 2) == 1, "one plane");
  check(readLe(file, 28, 2) == 24, "24 bits a pixel");
  check(readLe(file, 30, 4) == 0, "uncompressed");
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  const std::size_t dataBytes = rowBytes * static_cast<std::size_t>(height);
  const std::uint32_t sizeField = readLe(file, 34, 4);
  check(sizeField == 0 || sizeField == dataBytes, "image size field");
  check(offset >= 54 && offset + dataBytes == file.size(), "pixel data fills the rest");
  return offset;
}

bool refused(qo::Size size) {
  std::uint8_t headers[qo::kBmpHeaderBytes];
  try {
    qo::encodeBmpHeaders(headers, size);
  } catch (const qo::Failure& failure) {
    check(!failure.description().empty(), "a refusal says why");
    return true;
  }
  return false;
}

// A picture of up to 64 x 24 pixels, its rows in a buffer of exactly the bytes
// they take, so that the address sanitizer sees any read outside it.
void save(const std::uint8_t* data, std::size_t size) {
  const int width = 1 + (data[1] | data[2] << 8) % 64;
  const int height = 1 + (data[3] | data[4] << 8) % 24;
  const bool oldFile = (data[5] & 0x80) != 0;
  const int failingWrite = data[5] & 0x03;  // 0: none; else which write fails
  const std::uint8_t* source = data + 6;
  const std::size_t sourceSize = size - 6;

  std::vector<std::uint8_t> rows(qo::bmpRowBytes(width) * static_cast<std::size_t>(height));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    rows[i] = sourceSize > 0 ? source[i % sourceSize] : static_cast<std::uint8_t>(i * 131);
  }
  std::uint8_t headers[qo::kBmpHeaderBytes];
  qo::encodeBmpHeaders(headers, {width, height});
  const std::span<const std::uint8_t> pieces[] = {headers, rows};

  const std::wstring path = L"C:\\pictures\\drawing.bmp";
  const std::vector<std::uint8_t> old{'o', 'l', 'd'};
  qo::MemoryFileSystem files;
  files.addFolder(L"C:\\pictures");
  if (oldFile) files.setFile(path, old);
  if (failingWrite) files.failWrite(failingWrite, (data[5] >> 2 & 0x1F) * 7u);
  try {
    qo::writeFileReplacing(files, path, pieces);
  } catch (const qo::Failure& failure) {
    check(failingWrite == 1, "only a failing write fails the save");
    check(!failure.description().empty(), "a failed save says why");
    check(files.fileCount() == (oldFile ? 1u : 0u), "a failed save leaves nothing behind");
    check(!oldFile || files.file(path) == old, "a failed save leaves the old file as it was");
    return;
  }
  check(files.fileCount() == 1, "a save leaves only the file");
  const std::vector<std::uint8_t>& file = files.file(path);
  const std::size_t offset = rowsOf(file, width, height);
  check(std::equal(rows.begin(), rows.end(), file.begin() + static_cast<std::ptrdiff_t>(offset)),
        "the rows follow as they were");
}

// A size of zero or below, or a file beyond 4 GiB: refused.
void unencodable(const std::uint8_t* data) {
  const auto word = [&](int a, int b, int c, int d) {
    return static_cast<std::int32_t>(std::uint32_t{data[a]} | std::uint32_t{data[b]} << 8 |
                                     std::uint32_t{data[c]} << 16 | std::uint32_t{data[d]} << 24);
  };
  std::int32_t w = word(1, 2, 3, 4);
  const std::int32_t h = word(5, 4, 2, 1);
  if (w > 0 && h > 0) {
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(w) * 3 + 3) / 4 * 4;
    if (54 + rowBytes * static_cast<std::uint64_t>(h) <= 0xFFFFFFFFu) w = -w;  // make it refusable
  }
  check(refused({w, h}), "a size without room for its pixels is refused");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return 0;
  if (data[0] % 8 == 7) {
    unencodable(data);
  } else {
    save(data, size);
  }
  return 0;
}
