// Bad-input catalogue: save targets on the real file system.  Every target
// either receives exactly the picture's bytes or fails with a description that
// names it and gives the system's reason; a failure leaves the folder as it was
// (no temporary file, every existing file byte for byte).
//
// The full-disk cases need a small file system that run_win32_tests.sh mounts
// and names in QO_FULL_DISK (a Windows path); without it they are skipped.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "base/failure.h"
#include "fakes/bitmap_encoder.h"
#include "formats/bitmap_file.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/win32_error.h"
#include "win32_test_support.h"

namespace qo::win32 {
namespace {

using testing::listFolder;
using testing::narrow;
using testing::readWholeFile;
using testing::ScratchFolder;
using testing::writeWholeFile;

const std::vector<std::uint8_t> kOldBytes = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e'};

// A picture of 200 x 100 pixels: some 60 KB as a bitmap file.
struct Picture {
  std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(200 * 100, 0x00336699);
  ImageView view() const { return {200, 100, 200, pixels.data()}; }
};

// What saving to a target should come to.
enum class Expect {
  kSaved,           // the file holds the picture, under the name the system makes of it
  kRefused,         // a failure naming the target, with one of the reasons
  kSavedOrRefused,  // Windows refuses; Wine, which knows no length limit, may save
};

struct SaveTarget {
  const char* name;
  // Makes the target in the scratch folder (creating what must be there first) and
  // returns it.
  std::function<std::wstring(const ScratchFolder&)> make;
  Expect expect;
  std::wstring savedAs;  // kSaved: the name the folder then lists; empty: as given
  std::vector<DWORD> reasons = {};
};

void PrintTo(const SaveTarget& target, std::ostream* out) { *out << target.name; }

std::wstring inFolder(const ScratchFolder& folder, const std::wstring& name) {
  return folder.file(name);
}

// A target whose full path is exactly length characters, in a subfolder when a
// single name could not be that long.
std::wstring pathOfLength(const ScratchFolder& folder, std::size_t length) {
  std::wstring base = folder.path();
  if (length > base.size() + 1 + 200) {
    base = folder.file(std::wstring(100, L'd'));
    ::CreateDirectoryW(base.c_str(), nullptr);
  }
  return base + L"\\" + std::wstring(length - base.size() - 1 - 4, L'p') + L".bmp";
}

std::wstring describe(const std::vector<std::wstring>& names) {
  std::wstring all;
  for (const auto& name : names) all += name.substr(0, 20) + L"; ";
  return all;
}

std::wstring saveFailure(const std::wstring& path, const ImageView& picture) {
  Win32FileSystem files;
  try {
    saveBitmapFile(files, path, picture);
  } catch (const Failure& failure) {
    return failure.description();
  }
  return {};
}

void expectRefusal(const std::wstring& description, const std::wstring& path,
                   const std::vector<DWORD>& reasons) {
  const std::wstring ours = L"\"" + path + L"\" could not be saved. ";
  bool matched = false;
  for (const DWORD code : reasons) matched = matched || description == ours + systemMessage(code);
  EXPECT_TRUE(matched) << narrow(description);
}

// Every name in the folder with the bytes of the file under it.
std::map<std::wstring, std::vector<std::uint8_t>> contents(const ScratchFolder& folder) {
  std::map<std::wstring, std::vector<std::uint8_t>> files;
  for (const auto& name : folder.names()) files[name] = readWholeFile(folder.file(name));
  return files;
}

class SaveTargetBadInput : public ::testing::TestWithParam<SaveTarget> {};

TEST_P(SaveTargetBadInput, SavesExactlyOrFailsLeavingTheFolderAsItWas) {
  const SaveTarget& target = GetParam();
  ScratchFolder folder;
  const std::wstring path = target.make(folder);
  const auto before = contents(folder);
  const Picture picture;
  const std::wstring failure = saveFailure(path, picture.view());

  const bool mayRefuse = target.expect != Expect::kSaved;
  const bool maySave = target.expect != Expect::kRefused;
  if (!failure.empty()) {
    ASSERT_TRUE(mayRefuse) << "refused: " << narrow(failure);
    expectRefusal(failure, path, target.reasons);
    EXPECT_EQ(contents(folder), before) << "now: " << narrow(describe(folder.names()));
    return;
  }
  ASSERT_TRUE(maySave) << "saved, though the system should refuse";
  const std::wstring savedAs = target.savedAs.empty() ? path : folder.file(target.savedAs);
  EXPECT_EQ(readWholeFile(savedAs), encodeBmp(picture.view()));
  if (!target.savedAs.empty()) {
    EXPECT_EQ(folder.names(), std::vector<std::wstring>{target.savedAs});
  }
}

std::wstring deviceName(const ScratchFolder& folder, const wchar_t* name) {
  return inFolder(folder, name);
}

std::wstring readOnlyFile(const ScratchFolder& folder) {
  const std::wstring path = folder.file(L"kept.bmp");
  writeWholeFile(path, kOldBytes);
  ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  return path;
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SaveTargetBadInput,
    ::testing::Values(
        SaveTarget{"no extension", [](const ScratchFolder& f) { return inFolder(f, L"shot"); },
                   Expect::kSaved},
        SaveTarget{"into a missing folder",
                   [](const ScratchFolder& f) { return inFolder(f, L"missing\\shot.bmp"); },
                   Expect::kRefused, L"", {ERROR_PATH_NOT_FOUND}},
        SaveTarget{"a character Windows refuses",
                   [](const ScratchFolder& f) { return inFolder(f, L"a?b.bmp"); },
                   Expect::kRefused, L"", {ERROR_INVALID_NAME}},
        SaveTarget{"another character Windows refuses",
                   [](const ScratchFolder& f) { return inFolder(f, L"a\"b.bmp"); },
                   Expect::kRefused, L"", {ERROR_INVALID_NAME}},
        SaveTarget{"reserved name CON",
                   [](const ScratchFolder& f) { return deviceName(f, L"CON"); },
                   Expect::kRefused, L"", {ERROR_ACCESS_DENIED, ERROR_BAD_DEV_TYPE, ERROR_FILE_EXISTS}},
        SaveTarget{"reserved name NUL",
                   [](const ScratchFolder& f) { return deviceName(f, L"NUL"); },
                   Expect::kRefused, L"", {ERROR_ACCESS_DENIED, ERROR_BAD_DEV_TYPE, ERROR_FILE_EXISTS}},
        SaveTarget{"reserved name with extension",
                   [](const ScratchFolder& f) { return deviceName(f, L"com1.bmp"); },
                   Expect::kRefused, L"", {ERROR_ACCESS_DENIED, ERROR_BAD_DEV_TYPE, ERROR_FILE_EXISTS}},
        SaveTarget{"trailing dot",
                   [](const ScratchFolder& f) { return inFolder(f, L"shot.bmp."); },
                   Expect::kSaved, L"shot.bmp"},
        SaveTarget{"trailing blank",
                   [](const ScratchFolder& f) { return inFolder(f, L"shot.bmp "); },
                   Expect::kSaved, L"shot.bmp"},
        SaveTarget{"259 characters", [](const ScratchFolder& f) { return pathOfLength(f, 259); },
                   Expect::kSaved},
        SaveTarget{"260 characters", [](const ScratchFolder& f) { return pathOfLength(f, 260); },
                   Expect::kSavedOrRefused, L"", {ERROR_FILENAME_EXCED_RANGE, ERROR_PATH_NOT_FOUND}},
        SaveTarget{"320 characters", [](const ScratchFolder& f) { return pathOfLength(f, 320); },
                   Expect::kSavedOrRefused, L"", {ERROR_FILENAME_EXCED_RANGE, ERROR_PATH_NOT_FOUND}},
        SaveTarget{"a name of 300 characters",
                   [](const ScratchFolder& f) { return inFolder(f, std::wstring(300, L'n')); },
                   Expect::kRefused, L"",
                   {ERROR_FILENAME_EXCED_RANGE, ERROR_FILE_NOT_FOUND, ERROR_INVALID_NAME}},
        SaveTarget{"a read-only file", readOnlyFile, Expect::kRefused, L"", {ERROR_ACCESS_DENIED}},
        SaveTarget{"a folder of the name",
                   [](const ScratchFolder& f) {
                     ::CreateDirectoryW(f.file(L"sub.bmp").c_str(), nullptr);
                     return f.file(L"sub.bmp");
                   },
                   Expect::kRefused, L"", {ERROR_ACCESS_DENIED}},
        SaveTarget{"a folder, named with a trailing backslash",
                   [](const ScratchFolder& f) {
                     ::CreateDirectoryW(f.file(L"sub").c_str(), nullptr);
                     return f.file(L"sub\\");
                   },
                   Expect::kRefused, L"",
                   {ERROR_ACCESS_DENIED, ERROR_PATH_NOT_FOUND}}));

// --- a full disk ----------------------------------------------------------------------------

class FullDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* where = std::getenv("QO_FULL_DISK");
    if (!where || !*where) GTEST_SKIP() << "no small file system mounted (QO_FULL_DISK)";
    root_ = std::wstring(where, where + std::strlen(where));
    // Fill it up to the last few kilobytes.
    const std::wstring filler = root_ + L"\\filler";
    const HANDLE file = ::CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::vector<std::uint8_t> block(4096, 0xAB);
    DWORD done = 0;
    while (::WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &done, nullptr) &&
           done == block.size()) {
    }
    ::CloseHandle(file);
  }
  void TearDown() override {
    for (const auto& name : listFolder(root_)) ::DeleteFileW((root_ + L"\\" + name).c_str());
  }
  std::wstring root_;
};

TEST_F(FullDisk, ANewFileFailsAndLeavesNothing) {
  const auto before = listFolder(root_);
  const std::wstring path = root_ + L"\\new.bmp";
  expectRefusal(saveFailure(path, Picture().view()), path, {ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL});
  EXPECT_EQ(listFolder(root_), before);
}

TEST_F(FullDisk, AnExistingFileIsKeptByteForByte) {
  const std::wstring path = root_ + L"\\kept.bmp";
  ::DeleteFileW((root_ + L"\\filler").c_str());
  ASSERT_TRUE(writeWholeFile(path, kOldBytes));
  SetUp();  // full again, with the old file on it
  const auto before = listFolder(root_);
  expectRefusal(saveFailure(path, Picture().view()), path, {ERROR_DISK_FULL, ERROR_HANDLE_DISK_FULL});
  EXPECT_EQ(readWholeFile(path), kOldBytes);
  EXPECT_EQ(listFolder(root_), before);
}

}  // namespace
}  // namespace qo::win32
