// Saving a 3840 x 2160 picture as a BMP file, next to a raw write of the same
// number of bytes into the same folder.
#include <cstdint>
#include <vector>

#include "bench_support.h"
#include "fakes/bitmap_encoder.h"
#include "formats/bitmap_file.h"
#include "platform/win32/persistent_image.h"

namespace qo::bench {

namespace {

constexpr int kSaveRepeats = 10;
constexpr int kPairedRepeats = 21;
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

std::vector<std::uint8_t> readFile(const std::wstring& path) {
  win32::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !::GetFileSizeEx(file.get(), &size)) return {};
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD done = 0;
  ::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  bytes.resize(done);
  return bytes;
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
  // The program's own save: the persistent image, kept in the file's layout, written
  // as it lies.
  win32::PersistentImage image(kPictureSize, RGB(240, 240, 240));
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kPictureSize.width, -kPictureSize.height, 1, 32,
                    BI_RGB};
  ::SetDIBitsToDevice(image.dc(), 0, 0, kPictureSize.width, kPictureSize.height, 0, 0, 0,
                      kPictureSize.height, pixels.data(), &info, DIB_RGB_COLORS);
  // Saves and raw writes in turns, so that other load on the machine falls on both.
  std::vector<double> saves;
  std::vector<double> raws;
  image.writeBitmapFile(program.files, picture);
  writeRaw(raw, bytes, false);
  for (int i = 0; i < kPairedRepeats; ++i) {
    saves.push_back(timeMs([&] { image.writeBitmapFile(program.files, picture); }));
    raws.push_back(timeMs([&] { writeRaw(raw, bytes, false); }));
  }
  const Stats save = statsOf(saves);
  const Stats plain = statsOf(raws);
  const bool same = readFile(picture) == bytes;
  const Stats encodeAndSave =
      measure(kSaveRepeats, [&] { saveBitmapFile(program.files, picture, view); });
  // Where the time of a save goes: the temporary file written and flushed, then
  // moved over the target.
  std::vector<double> writeTemp;
  std::vector<double> move;
  const std::wstring temporary = folder + L"\\~temporary.tmp";
  for (int i = 0; i < kSaveRepeats; ++i) {
    writeTemp.push_back(timeMs([&] { program.files.writeNewFile(temporary, bytes); }));
    move.push_back(timeMs([&] { program.files.replaceFile(temporary, picture); }));
  }
  const Stats flushed = measure(kSaveRepeats, [&] { writeRaw(raw, bytes, true); });

  report.line("  file of " + megabytes(static_cast<double>(bytes.size())) +
              format(" (%u bytes); saved file has %lld bytes", static_cast<unsigned>(bytes.size()),
                     static_cast<long long>(fileSize(picture))));
  report.figure("encodeBmp alone", encode);
  report.figure("the program's save (PersistentImage::writeBitmapFile)", save);
  report.line(same ? "  (its file holds the same bytes as encodeBmp's)"
                   : "  !! its file differs from encodeBmp's bytes");
  report.figure("saveBitmapFile of 32-bit pixels (encode, write)", encodeAndSave);
  report.figure("  of which: new temporary file, written, flushed", statsOf(writeTemp));
  report.figure("  of which: moved over the existing target", statsOf(move));
  report.figure("raw CreateFileW + WriteFile, same bytes", plain);
  report.figure("raw CreateFileW + WriteFile + FlushFileBuffers", flushed);
  report.line(format("  save / raw write: %.2f x   save / (encode + raw flushed write): %.2f x",
                     save.median / plain.median, save.median / (encode.median + flushed.median)));
  report.line(format("RESULT save_ms %.3f", save.median));
  report.line(format("RESULT raw_write_ms %.3f", plain.median));
  report.line(format("RESULT raw_flushed_write_ms %.3f", flushed.median));

  ::DeleteFileW(picture.c_str());
  ::DeleteFileW(raw.c_str());
  ::RemoveDirectoryW(folder.c_str());
}

}  // namespace qo::bench
