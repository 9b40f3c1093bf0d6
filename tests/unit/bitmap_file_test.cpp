#include "formats/bitmap_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "base/failure.h"
#include "fakes/memory_file_system.h"

namespace qo {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t readUint16(const Bytes& bytes, std::size_t at) {
  return bytes[at] | (std::uint32_t{bytes[at + 1]} << 8);
}

std::uint32_t readUint32(const Bytes& bytes, std::size_t at) {
  return readUint16(bytes, at) | (readUint16(bytes, at + 2) << 16);
}

// Pixels of a test picture, with a stride that may exceed the width.  Every
// pixel differs from its neighbours in all three colour channels; the pixels
// beyond the width hold a marker that must never reach the file.
struct TestImage {
  static constexpr std::uint32_t kGapMarker = 0x00ABCDEF;

  TestImage(int width, int height, int stride)
      : view{width, height, stride, nullptr}, pixels(static_cast<std::size_t>(stride) * height) {
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < stride; ++x) {
        pixels[static_cast<std::size_t>(y * stride + x)] = x < width ? colourAt(x, y) : kGapMarker;
      }
    }
    view.pixels = pixels.data();
  }
  TestImage(int width, int height) : TestImage(width, height, width) {}

  static std::uint32_t colourAt(int x, int y) {
    const auto red = static_cast<std::uint32_t>(x * 7 + y * 3 + 1) & 0xFF;
    const auto green = static_cast<std::uint32_t>(x * 11 + y * 5 + 2) & 0xFF;
    const auto blue = static_cast<std::uint32_t>(x * 13 + y * 17 + 3) & 0xFF;
    return red << 16 | green << 8 | blue;
  }

  ImageView view;
  std::vector<std::uint32_t> pixels;
};

std::size_t paddedRow(int width) { return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4; }

// Checks every pixel and every padding byte of an encoded picture against the
// image it came from.
void expectPixelsMatch(const Bytes& bmp, const ImageView& image) {
  const std::size_t rowBytes = paddedRow(image.width);
  ASSERT_EQ(bmp.size(), 54 + rowBytes * image.height);
  for (int y = 0; y < image.height; ++y) {
    const std::size_t row = 54 + rowBytes * static_cast<std::size_t>(image.height - 1 - y);
    for (int x = 0; x < image.width; ++x) {
      const std::uint32_t pixel = image.at(x, y);
      const std::size_t at = row + static_cast<std::size_t>(x) * 3;
      ASSERT_EQ(bmp[at], pixel & 0xFF) << "blue at " << x << "," << y;
      ASSERT_EQ(bmp[at + 1], (pixel >> 8) & 0xFF) << "green at " << x << "," << y;
      ASSERT_EQ(bmp[at + 2], (pixel >> 16) & 0xFF) << "red at " << x << "," << y;
    }
    for (std::size_t pad = static_cast<std::size_t>(image.width) * 3; pad < rowBytes; ++pad) {
      ASSERT_EQ(bmp[row + pad], 0) << "padding of row " << y;
    }
  }
}

TEST(BmpEncoder, WritesBothHeaders) {
  TestImage image(5, 3);
  const Bytes bmp = encodeBmp(image.view);
  const std::uint32_t imageSize = 16 * 3;
  ASSERT_EQ(bmp.size(), 54 + imageSize);
  EXPECT_EQ(bmp[0], 'B');
  EXPECT_EQ(bmp[1], 'M');
  EXPECT_EQ(readUint32(bmp, 2), 54 + imageSize);  // file size
  EXPECT_EQ(readUint32(bmp, 6), 0u);              // reserved
  EXPECT_EQ(readUint32(bmp, 10), 54u);            // offset of the pixels
  EXPECT_EQ(readUint32(bmp, 14), 40u);            // info header size
  EXPECT_EQ(readUint32(bmp, 18), 5u);             // width
  EXPECT_EQ(readUint32(bmp, 22), 3u);             // height, positive: bottom-up
  EXPECT_EQ(readUint16(bmp, 26), 1u);             // planes
  EXPECT_EQ(readUint16(bmp, 28), 24u);            // bits per pixel
  EXPECT_EQ(readUint32(bmp, 30), 0u);             // BI_RGB
  EXPECT_EQ(readUint32(bmp, 34), imageSize);
  EXPECT_EQ(readUint32(bmp, 38), 3780u);  // 96 DPI horizontally
  EXPECT_EQ(readUint32(bmp, 42), 3780u);  // and vertically
  EXPECT_EQ(readUint32(bmp, 46), 0u);     // colours used
  EXPECT_EQ(readUint32(bmp, 50), 0u);     // important colours
}

TEST(BmpEncoder, PadsEachRowToFourBytes) {
  struct Case {
    int width;
    std::size_t rowBytes;
  };
  for (const Case& c : {Case{1, 4}, Case{2, 8}, Case{3, 12}, Case{4, 12}, Case{5, 16}, Case{7, 24},
                        Case{333, 1000}}) {
    SCOPED_TRACE("width " + std::to_string(c.width));
    TestImage image(c.width, 3);
    const Bytes bmp = encodeBmp(image.view);
    EXPECT_EQ(readUint32(bmp, 34), c.rowBytes * 3);
    EXPECT_EQ(readUint32(bmp, 2), 54 + c.rowBytes * 3);
    expectPixelsMatch(bmp, image.view);
  }
}

TEST(BmpEncoder, StoresTheBottomRowFirst) {
  const std::uint32_t pixels[] = {0x00FF0000, 0x000000FF};  // red above blue
  const Bytes bmp = encodeBmp(ImageView{1, 2, 1, pixels});
  const Bytes expected = {0xFF, 0x00, 0x00, 0x00,   // blue, padded
                          0x00, 0x00, 0xFF, 0x00};  // red, padded
  EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end()), expected);
}

TEST(BmpEncoder, WritesBlueGreenRedAndDropsTheUnusedByte) {
  const std::uint32_t pixels[] = {0x00112233, 0xFF445566};
  const Bytes bmp = encodeBmp(ImageView{2, 1, 2, pixels});
  const Bytes expected = {0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0x00, 0x00};
  EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end()), expected);
}

TEST(BmpEncoder, EncodesASinglePixel) {
  const std::uint32_t pixel = 0x00C08040;
  const Bytes bmp = encodeBmp(ImageView{1, 1, 1, &pixel});
  ASSERT_EQ(bmp.size(), 58u);
  EXPECT_EQ(readUint32(bmp, 2), 58u);
  EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.end()), (Bytes{0x40, 0x80, 0xC0, 0x00}));
}

TEST(BmpEncoder, SkipsThePixelsBetweenWidthAndStride) {
  for (const int width : {1, 3, 6}) {
    SCOPED_TRACE("width " + std::to_string(width));
    TestImage image(width, 4, width + 5);
    const Bytes bmp = encodeBmp(image.view);
    EXPECT_EQ(readUint32(bmp, 18), static_cast<std::uint32_t>(width));
    expectPixelsMatch(bmp, image.view);
  }
}

TEST(BmpEncoder, EncodesAScreenSizedPicture) {
  TestImage image(3840, 2160);
  const Bytes bmp = encodeBmp(image.view);
  ASSERT_EQ(bmp.size(), 54u + 11520u * 2160u);
  EXPECT_EQ(readUint32(bmp, 2), 54u + 11520u * 2160u);
  EXPECT_EQ(readUint32(bmp, 18), 3840u);
  EXPECT_EQ(readUint32(bmp, 22), 2160u);
  struct Point {
    int x, y;
  };
  for (const Point p : {Point{0, 0}, Point{3839, 0}, Point{0, 2159}, Point{3839, 2159},
                        Point{1920, 1080}, Point{17, 2000}}) {
    const std::size_t at = 54 + 11520u * static_cast<std::size_t>(2159 - p.y) + 3u * p.x;
    const std::uint32_t colour = TestImage::colourAt(p.x, p.y);
    EXPECT_EQ(bmp[at], colour & 0xFF) << p.x << "," << p.y;
    EXPECT_EQ(bmp[at + 1], (colour >> 8) & 0xFF) << p.x << "," << p.y;
    EXPECT_EQ(bmp[at + 2], colour >> 16) << p.x << "," << p.y;
  }
}

TEST(BmpEncoder, RefusesAPictureWithoutPixels) {
  const std::uint32_t pixel = 0;
  for (const ImageView& empty :
       {ImageView{0, 5, 0, &pixel}, ImageView{5, 0, 5, &pixel}, ImageView{0, 0, 0, nullptr}}) {
    EXPECT_THROW(encodeBmp(empty), Failure);
  }
}

// The headers alone, for a picture kept in the file's own layout: the same bytes as
// the encoder's, and the same refusals.
TEST(BmpEncoder, HeadersAloneMatchTheEncodedFile) {
  for (const Size size : {Size{1, 1}, Size{7, 3}, Size{3840, 2160}}) {
    const TestImage image(size.width, size.height);
    const Bytes bmp = encodeBmp(image.view);
    std::array<std::uint8_t, kBmpHeaderBytes> headers{};
    encodeBmpHeaders(headers, size);
    EXPECT_TRUE(std::equal(headers.begin(), headers.end(), bmp.begin())) << size.width;
    EXPECT_EQ(bmp.size(), kBmpHeaderBytes + bmpRowBytes(size.width) * size.height);
  }
  std::array<std::uint8_t, kBmpHeaderBytes> headers{};
  EXPECT_THROW(encodeBmpHeaders(headers, {0, 5}), Failure);
  EXPECT_THROW(encodeBmpHeaders(headers, {40000, 40000}), Failure);
}

// The folder the tests save into, with one earlier picture in it.
class WriteFileReplacing : public ::testing::Test {
 protected:
  static constexpr const wchar_t* kTarget = L"C:\\Pictures\\drawing.bmp";

  WriteFileReplacing() {
    files.addFolder(L"C:\\Pictures");
    files.setFile(kTarget, oldBytes);
  }

  const Bytes oldBytes = Bytes(100, 0x11);
  const Bytes newBytes = Bytes(300, 0x22);
  MemoryFileSystem files;
};

TEST_F(WriteFileReplacing, WritesANewFile) {
  const std::wstring path = L"C:\\Pictures\\new picture";  // no extension added
  writeFileReplacing(files, path, newBytes);
  EXPECT_EQ(files.file(path), newBytes);
  EXPECT_EQ(files.fileNames(), (std::vector<std::wstring>{kTarget, path}));
}

TEST_F(WriteFileReplacing, ReplacesAnExistingFile) {
  writeFileReplacing(files, kTarget, newBytes);
  EXPECT_EQ(files.file(kTarget), newBytes);
  EXPECT_EQ(files.fileCount(), 1u);
}

TEST_F(WriteFileReplacing, WritesAnEmptyFile) {
  writeFileReplacing(files, kTarget, std::span<const std::uint8_t>());
  EXPECT_TRUE(files.file(kTarget).empty());
  EXPECT_EQ(files.fileCount(), 1u);
}

TEST_F(WriteFileReplacing, AnInterruptedWriteLeavesTheOldFileAndNoTemporaryFile) {
  for (const std::size_t kept : {std::size_t{0}, std::size_t{150}}) {
    SCOPED_TRACE("bytes written before the failure: " + std::to_string(kept));
    files.failWrite(files.writeCount() + 1, kept);
    EXPECT_THROW(writeFileReplacing(files, kTarget, newBytes), Failure);
    EXPECT_EQ(files.file(kTarget), oldBytes);
    EXPECT_EQ(files.fileNames(), std::vector<std::wstring>{kTarget});
  }
}

TEST_F(WriteFileReplacing, AFailedReplaceLeavesTheOldFileAndNoTemporaryFile) {
  files.failReplace(true);
  EXPECT_THROW(writeFileReplacing(files, kTarget, newBytes), Failure);
  EXPECT_EQ(files.file(kTarget), oldBytes);
  EXPECT_EQ(files.fileNames(), std::vector<std::wstring>{kTarget});
}

TEST_F(WriteFileReplacing, FailsWithoutTraceWhereNothingCanBeWritten) {
  files.addFolder(L"C:\\Windows");
  files.denyWritesTo(L"C:\\Windows");
  for (const wchar_t* path : {L"C:\\Missing\\drawing.bmp", L"C:\\Windows\\drawing.bmp"}) {
    SCOPED_TRACE(std::filesystem::path(path).string());
    EXPECT_THROW(writeFileReplacing(files, path, newBytes), Failure);
    EXPECT_EQ(files.fileNames(), std::vector<std::wstring>{kTarget});
  }
}

// Wraps the memory file system, records the names written and lets another
// program take the first few temporary names just before they are tried: before
// the test for a free name, or between that test and the write.
class ContendedFileSystem : public FileSystem {
 public:
  enum class Moment { BeforeTheTest, BeforeTheWrite };
  ContendedFileSystem(MemoryFileSystem& inner, int namesTaken,
                      Moment moment = Moment::BeforeTheTest)
      : inner_(inner), namesTaken_(namesTaken), moment_(moment) {}

  std::int64_t lastChangeTime(const std::wstring& path) override {
    if (moment_ == Moment::BeforeTheTest) take(path);
    return inner_.lastChangeTime(path);
  }
  void writeNewFile(const std::wstring& path, FilePieces pieces) override {
    if (moment_ == Moment::BeforeTheWrite) take(path);
    written.push_back(path);
    inner_.writeNewFile(path, pieces);
  }
  void replaceFile(const std::wstring& from, const std::wstring& to) override {
    inner_.replaceFile(from, to);
  }
  void removeFile(const std::wstring& path) noexcept override { inner_.removeFile(path); }

  inline static const Bytes kForeignBytes = Bytes(7, 0x77);
  std::vector<std::wstring> taken;
  std::vector<std::wstring> written;

 private:
  void take(const std::wstring& path) {
    if (path.ends_with(L".tmp") && namesTaken_ > 0) {
      --namesTaken_;
      inner_.setFile(path, kForeignBytes);
      taken.push_back(path);
    }
  }

  MemoryFileSystem& inner_;
  int namesTaken_;
  Moment moment_;
};

TEST_F(WriteFileReplacing, WritesTheTemporaryFileBesideTheTarget) {
  ContendedFileSystem spy(files, 0);
  writeFileReplacing(spy, kTarget, newBytes);
  ASSERT_EQ(spy.written.size(), 1u);
  const std::wstring& temporary = spy.written[0];
  EXPECT_TRUE(temporary.starts_with(L"C:\\Pictures\\~qo")) << "in the target's folder";
  EXPECT_TRUE(temporary.ends_with(L".tmp"));
  EXPECT_EQ(temporary.find(L'\\', 12), std::wstring::npos);
  EXPECT_EQ(files.fileNames(), std::vector<std::wstring>{kTarget});
}

TEST_F(WriteFileReplacing, ATargetWithALongNameGetsAShortTemporaryName) {
  const std::wstring longTarget = L"C:\\Pictures\\" + std::wstring(250, L'n') + L".bmp";
  ContendedFileSystem spy(files, 0);
  writeFileReplacing(spy, longTarget, newBytes);
  ASSERT_EQ(spy.written.size(), 1u);
  EXPECT_LT(spy.written[0].size(), 40u);
}

// Windows refuses paths of 260 characters and more where long paths are not
// enabled: a target it accepts must not fail for its temporary name.
TEST_F(WriteFileReplacing, ATargetAtThePathLimitGetsATemporaryPathWithinIt) {
  for (const std::size_t nameLength : {1u, 5u, 12u, 20u}) {
    const std::wstring folder = L"C:\\" + std::wstring(255 - nameLength, L'f');
    const std::wstring target = folder + L"\\" + std::wstring(nameLength, L'p');
    files.addFolder(folder);
    ContendedFileSystem spy(files, 0);
    writeFileReplacing(spy, target, newBytes);
    EXPECT_LE(spy.written.at(0).size(), 259u) << "a name of " << nameLength;
    EXPECT_TRUE(spy.written[0].starts_with(folder + L"\\~"));
    EXPECT_EQ(files.file(target), newBytes);
  }
}

TEST_F(WriteFileReplacing, AFailureNamesTheChosenFileNotTheTemporaryOne) {
  files.denyWritesTo(L"C:\\Pictures");
  try {
    writeFileReplacing(files, kTarget, newBytes);
    FAIL() << "no failure";
  } catch (const Failure& failure) {
    EXPECT_EQ(failure.description(),
              L"\"C:\\Pictures\\drawing.bmp\" could not be saved. Access is denied.");
  }
}

TEST_F(WriteFileReplacing, LeavesTemporaryNamesTakenByOthersAlone) {
  for (const auto moment : {ContendedFileSystem::Moment::BeforeTheTest,
                            ContendedFileSystem::Moment::BeforeTheWrite}) {
    SCOPED_TRACE(moment == ContendedFileSystem::Moment::BeforeTheTest ? "taken before the test"
                                                                       : "taken before the write");
    MemoryFileSystem fresh;
    fresh.addFolder(L"C:\\Pictures");
    fresh.setFile(kTarget, oldBytes);
    ContendedFileSystem spy(fresh, 2, moment);
    writeFileReplacing(spy, kTarget, newBytes);
    EXPECT_EQ(fresh.file(kTarget), newBytes);
    ASSERT_EQ(spy.taken.size(), 2u);
    EXPECT_NE(spy.taken[0], spy.taken[1]);
    for (const std::wstring& name : spy.taken) {
      EXPECT_EQ(fresh.file(name), ContendedFileSystem::kForeignBytes) << "another's file kept";
    }
    EXPECT_EQ(fresh.fileCount(), 3u);
  }
}

TEST_F(WriteFileReplacing, GivesUpWhenEveryTemporaryNameIsTaken) {
  ContendedFileSystem spy(files, 1000);
  EXPECT_THROW(writeFileReplacing(spy, kTarget, newBytes), Failure);
  EXPECT_TRUE(spy.written.empty());
  EXPECT_EQ(files.file(kTarget), oldBytes);
  for (const std::wstring& name : spy.taken) {
    EXPECT_EQ(files.file(name), ContendedFileSystem::kForeignBytes);
  }
}

TEST_F(WriteFileReplacing, SavesTheEncodedBitmap) {
  TestImage image(6, 4);
  saveBitmapFile(files, kTarget, image.view);
  EXPECT_EQ(files.file(kTarget), encodeBmp(image.view));
  EXPECT_EQ(files.fileCount(), 1u);
}

TEST_F(WriteFileReplacing, SavingAnEmptyPictureLeavesTheOldFile) {
  EXPECT_THROW(saveBitmapFile(files, kTarget, ImageView{}), Failure);
  EXPECT_EQ(files.file(kTarget), oldBytes);
  EXPECT_EQ(files.writeCount(), 0);
}

std::string runCommand(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return {};
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe.get())) output += buffer;
  return output;
}

TEST(BitmapFileOnDisk, ImageMagickReadsTheFile) {
  if (!std::filesystem::exists("/usr/bin/identify")) GTEST_SKIP() << "ImageMagick is absent";
  std::vector<std::uint32_t> pixels(7 * 3, 0x0000FF00);  // green, odd width
  pixels.front() = 0x00FF0000;                           // red at the top left
  pixels.back() = 0x000000FF;                            // blue at the bottom right
  const Bytes bmp = encodeBmp(ImageView{7, 3, 7, pixels.data()});
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("qo_bitmap_file_test_" + std::to_string(::getpid()) + ".bmp");
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));

  const std::string quoted = "'" + file.string() + "'";
  const std::string size = runCommand("/usr/bin/identify -format '%w %h' " + quoted);
  const std::string corners =
      runCommand("/usr/bin/identify -format '%[hex:p{0,0}] %[hex:p{6,2}] %[hex:p{3,1}]' " + quoted);
  std::filesystem::remove(file);
  EXPECT_EQ(size, "7 3");
  EXPECT_EQ(corners.substr(0, 6), "FF0000");
  EXPECT_NE(corners.find(" 0000FF"), std::string::npos) << corners;
  EXPECT_NE(corners.find(" 00FF00"), std::string::npos) << corners;
}

}  // namespace
}  // namespace qo
