#include "formats/bitmap_file.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <limits>

#include "base/ascii_case.h"
#include "base/failure.h"
#include "base/shared_services.h"

namespace qo {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kInfoHeaderSize = 40;
constexpr std::size_t kPixelOffset = kFileHeaderSize + kInfoHeaderSize;
static_assert(kPixelOffset == kBmpHeaderBytes);
constexpr std::uint32_t kPixelsPerMetre = 3780;  // 96 DPI
constexpr int kTemporaryNameAttempts = 8;

void putUint16(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void putUint32(std::uint8_t* at, std::uint32_t value) {
  at[0] = static_cast<std::uint8_t>(value);
  at[1] = static_cast<std::uint8_t>(value >> 8);
  at[2] = static_cast<std::uint8_t>(value >> 16);
  at[3] = static_cast<std::uint8_t>(value >> 24);
}

void checkEncodable(Size size) {
  if (size.width <= 0 || size.height <= 0) {
    throw Failure(L"The picture has no pixels, so there is nothing to save.");
  }
  const std::uint64_t total =
      kPixelOffset + bmpRowBytes(size.width) * static_cast<std::uint64_t>(size.height);
  if (total > std::numeric_limits<std::uint32_t>::max()) {
    throw Failure(L"The picture is too large to be saved as a bitmap file.");
  }
}

void writeHeaders(std::uint8_t* out, Size image, std::uint32_t imageSize) {
  // BITMAPFILEHEADER
  out[0] = 'B';
  out[1] = 'M';
  putUint32(out + 2, static_cast<std::uint32_t>(kPixelOffset) + imageSize);
  putUint32(out + 6, 0);  // two reserved words
  putUint32(out + 10, static_cast<std::uint32_t>(kPixelOffset));
  // BITMAPINFOHEADER; a positive height means the rows are stored bottom-up.
  std::uint8_t* info = out + kFileHeaderSize;
  putUint32(info + 0, static_cast<std::uint32_t>(kInfoHeaderSize));
  putUint32(info + 4, static_cast<std::uint32_t>(image.width));
  putUint32(info + 8, static_cast<std::uint32_t>(image.height));
  putUint16(info + 12, 1);   // planes
  putUint16(info + 14, 24);  // bits per pixel
  putUint32(info + 16, 0);   // BI_RGB
  putUint32(info + 20, imageSize);
  putUint32(info + 24, kPixelsPerMetre);
  putUint32(info + 28, kPixelsPerMetre);
  putUint32(info + 32, 0);  // colours used
  putUint32(info + 36, 0);  // important colours
}

// Differs between calls and, very likely, between processes.
std::atomic<std::uint32_t> temporaryCounter{static_cast<std::uint32_t>(
    std::chrono::steady_clock::now().time_since_epoch().count() & 0xFFFFF)};

// The longest path Windows accepts where long paths are not enabled (MAX_PATH
// less its terminating null).
constexpr std::size_t kPathLimit = 259;

// "~" and as many base-36 digits of number as make length characters.
std::wstring shortTemporaryName(std::uint32_t number, std::size_t length) {
  std::wstring name(length, L'~');
  for (std::size_t i = length; i > 1; --i, number /= 36) {
    name[i - 1] = L"0123456789abcdefghijklmnopqrstuvwxyz"[number % 36];
  }
  return name;
}

// A short name in the target's folder, so that even a target whose name is as
// long as a name can be gets a temporary name that the file system accepts.  A
// target in a folder so deep that the usual name would take the path over the
// limit gets one no longer than its own.
std::wstring nextTemporaryName(const std::wstring& path) {
  const auto slash = path.find_last_of(L"\\/");
  const std::size_t nameAt = slash == std::wstring::npos ? 0 : slash + 1;
  const std::uint32_t number = temporaryCounter.fetch_add(1);
  std::wstring name = L"~qo" + std::to_wstring(number) + L".tmp";
  const std::size_t room = std::max(kPathLimit, path.size()) - nameAt;
  if (name.size() > room && room > 0) name = shortTemporaryName(number, room);
  return path.substr(0, nameAt) + name;
}

// Writes bytes under a fresh temporary name beside path and returns that name.
// Names already taken, also those taken between the test and the write, are
// skipped and left alone; a write that fails removes only the file it created.
std::wstring writeTemporaryFile(FileSystem& files, const std::wstring& path,
                               FilePieces pieces) {
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    std::wstring temporary = nextTemporaryName(path);
    if (sameIgnoringAsciiCase(temporary, path) || FileExists(files, temporary)) continue;
    try {
      files.writeNewFile(temporary, pieces);
    } catch (const NameTaken&) {
      continue;  // someone else's file
    } catch (...) {
      files.removeFile(temporary);
      throw;
    }
    return temporary;
  }
  throw Failure(L"No free name for a temporary file could be found beside " + path + L".");
}

// Where the files are that a replace stopped half-way left behind.
std::wstring whereKept(const ReplaceUnfinished& unfinished) {
  std::wstring where;
  if (!unfinished.keptNew.empty()) {
    where += L" The new file is kept as \"" + unfinished.keptNew + L"\".";
  }
  if (!unfinished.keptOld.empty()) {
    where += L" The old file is kept as \"" + unfinished.keptOld + L"\".";
  }
  return where;
}

}  // namespace

std::uint64_t bmpRowBytes(int width) {
  return (static_cast<std::uint64_t>(width) * 3 + 3) & ~std::uint64_t{3};
}

void encodeBmpHeaders(std::span<std::uint8_t, kBmpHeaderBytes> out, Size size) {
  checkEncodable(size);
  const auto imageSize = bmpRowBytes(size.width) * static_cast<std::uint64_t>(size.height);
  writeHeaders(out.data(), size, static_cast<std::uint32_t>(imageSize));
}

void writeFileReplacing(FileSystem& files, const std::wstring& path, FilePieces pieces) {
  try {
    const std::wstring temporary = writeTemporaryFile(files, path, pieces);
    try {
      files.replaceFile(temporary, path);
    } catch (const ReplaceUnfinished&) {
      throw;  // the temporary file may hold the only copy now: it stays, and is named
    } catch (...) {
      files.removeFile(temporary);
      throw;
    }
  } catch (const ReplaceUnfinished& unfinished) {
    throw Failure(L"\"" + path + L"\" could not be saved. " + unfinished.description() +
                  whereKept(unfinished));
  } catch (const Failure& failure) {
    // Name the file the user chose, not the temporary one.
    throw Failure(L"\"" + path + L"\" could not be saved. " + failure.description());
  }
}

}  // namespace qo
