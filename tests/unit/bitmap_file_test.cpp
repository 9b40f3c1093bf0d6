#include "formats/bitmap_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
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

// The headers the program writes before the picture's own rows.
Bytes headersFor(Size size) {
  std::array<std::uint8_t, kBmpHeaderBytes> headers{};
  encodeBmpHeaders(headers, size);
  return Bytes(headers.begin(), headers.end());
}

TEST(BmpHeaders, DescribeA24BitBottomUpPicture) {
  const Bytes bmp = headersFor({5, 3});
  const std::uint32_t imageSize = 16 * 3;
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

TEST(BmpHeaders, CountEachRowPaddedToFourBytes) {
  struct Case {
    int width;
    std::uint32_t rowBytes;
  };
  for (const Case& c : {Case{1, 4}, Case{2, 8}, Case{3, 12}, Case{4, 12}, Case{5, 16}, Case{7, 24},
                        Case{333, 1000}, Case{3840, 11520}}) {
    EXPECT_EQ(bmpRowBytes(c.width), c.rowBytes) << c.width;
    const Bytes bmp = headersFor({c.width, 3});
    EXPECT_EQ(readUint32(bmp, 34), c.rowBytes * 3) << c.width;
    EXPECT_EQ(readUint32(bmp, 2), 54 + c.rowBytes * 3) << c.width;
  }
}

TEST(BmpHeaders, RefuseAnEmptyOrOversizedPicture) {
  std::array<std::uint8_t, kBmpHeaderBytes> headers{};
  for (const Size size : {Size{0, 5}, Size{5, 0}, Size{-1, 1}, Size{40000, 40000}}) {
    EXPECT_THROW(encodeBmpHeaders(headers, size), Failure) << size.width << "x" << size.height;
  }
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

}  // namespace
}  // namespace qo
