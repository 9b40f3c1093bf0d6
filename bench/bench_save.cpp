// Saving a 3840 x 2160 picture as a BMP file, next to a raw write of the same
// number of bytes into the same folder.
#include <cstdint>
#include <vector>

#include "bench_support.h"
#include "overlay/bitmap_file.h"

namespace qo::bench {

namespace {

constexpr int kSaveRepeats = 10;
constexpr Size kPictureSize{3840, 2160};

// A picture in memory, so the figure does not depend on the screen's size.
std::vector<std::uint32_t> makePicture(Size size) {
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size.width) * size.height);
  for (int y = 0; y < size.height; ++y) {
    for (int x = 0; x < size.width; ++x) {
      const auto r = static_cast<std::uint32_t>(x * 255 / size.width);
      const auto g = static_cast<std::uint32_t>(y * 255 / size.height);
      const auto b = static_cast<std::uint32_t>((x ^ y) & 0xFF);
      pixels[static_cast<std::size_t>(y) * size.width + x] = (r << 16) | (g << 8) | b;
    }
  }
  return pixels;
}

std::wstring makeBenchFolder() {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring folder =
      std::wstring(temp) + L"qo_bench_" + std::to_wstring(::GetCurrentProcessId());
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void writeRaw(const std::wstring& path, const std::vector<std::uint8_t>& bytes, bool flush) {
  win32::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  if (flush) ::FlushFileBuffers(file.get());
}

std::int64_t fileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return (static_cast<std::int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

void benchBitmapSave(Report& report, BenchProgram& program) {
  report.heading("BMP save of a 3840 x 2160 picture (in-memory pixels, temp folder)");
  const std::vector<std::uint32_t> pixels = makePicture(kPictureSize);
  const ImageView view{kPictureSize.width, kPictureSize.height, kPictureSize.width, pixels.data()};
  const std::vector<std::uint8_t> bytes = encodeBmp(view);
  const std::wstring folder = makeBenchFolder();
  const std::wstring picture = folder + L"\\picture.bmp";
  const std::wstring raw = folder + L"\\raw.bin";

  const Stats encode = measure(kSaveRepeats, [&] { keepAlive(encodeBmp(view).data()); });
  const Stats save = measure(kSaveRepeats, [&] { saveBitmapFile(program.files, picture, view); });
  const Stats plain = measure(kSaveRepeats, [&] { writeRaw(raw, bytes, false); });
  const Stats flushed = measure(kSaveRepeats, [&] { writeRaw(raw, bytes, true); });

  report.line("  file of " + megabytes(static_cast<double>(bytes.size())) +
              format(" (%u bytes); saved file has %lld bytes", static_cast<unsigned>(bytes.size()),
                     static_cast<long long>(fileSize(picture))));
  report.figure("encodeBmp alone", encode);
  report.figure("saveBitmapFile (encode, temp file, flush, move)", save);
  report.figure("raw CreateFileW + WriteFile, same bytes", plain);
  report.figure("raw CreateFileW + WriteFile + FlushFileBuffers", flushed);
  report.line(format("  save / raw write: %.2f x   save / (encode + raw flushed write): %.2f x",
                     save.median / plain.median, save.median / (encode.median + flushed.median)));
  report.line(format("RESULT save_ms %.3f", save.median));
  report.line(format("RESULT raw_write_ms %.3f", plain.median));

  ::DeleteFileW(picture.c_str());
  ::DeleteFileW(raw.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace qo::bench
