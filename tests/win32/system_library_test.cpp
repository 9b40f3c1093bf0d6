// Libraries of the system loaded on first use: found in the system folder only,
// and a readable Failure when they or one of their functions are missing.
#include <gtest/gtest.h>

#include "base/failure.h"
#include "platform/win32/system_library.h"
#include "win32_test_support.h"

namespace qo::win32 {
namespace {

using testing::narrow;
using testing::besideTheTests;
using testing::ScratchFolder;
using testing::writeWholeFile;

// The Failure's text, or nothing when the library and the function were found.
std::wstring attempt(const wchar_t* file, const char* function) {
  try {
    const SystemLibrary library(file, L"The test library");
    if (!library.function<FARPROC>(function)) return L"no address";
    return L"";
  } catch (const Failure& failure) {
    return failure.description();
  }
}

TEST(SystemLibrary, FindsSystemFunctionsAndNamesWhatIsMissing) {
  const struct {
    const wchar_t* file;
    const char* function;
    std::wstring expected;
  } cases[] = {
      {L"oleaut32.dll", "SysStringLen", L""},
      {L"comdlg32.dll", "ChooseColorW", L""},
      {L"qo-no-such-library.dll", "Anything",
       L"The test library could not be loaded (qo-no-such-library.dll, error 126)."},
      {L"oleaut32.dll", "QoNoSuchFunction",
       L"The test library could not be loaded (oleaut32.dll has no QoNoSuchFunction)."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(narrow(attempt(c.file, c.function)), narrow(c.expected)) << narrow(c.file);
  }
}

// A library planted beside the program and in the current folder is not even
// looked at: the error is "not found" (126), not "not a program" (193).
TEST(SystemLibrary, NeverLoadsOneFromTheProgramsOrTheCurrentFolder) {
  ScratchFolder current;
  const std::wstring beside = besideTheTests(L"qo-planted.dll");
  const std::vector<std::uint8_t> notAProgram{'M', 'Z', 'n', 'o', 't'};
  ASSERT_TRUE(writeWholeFile(beside, notAProgram));
  ASSERT_TRUE(writeWholeFile(current.file(L"qo-planted.dll"), notAProgram));
  wchar_t before[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, before);
  ::SetCurrentDirectoryW(current.path().c_str());
  const std::wstring text = attempt(L"qo-planted.dll", "Anything");
  ::SetCurrentDirectoryW(before);
  ::DeleteFileW(beside.c_str());
  EXPECT_EQ(narrow(text), "The test library could not be loaded (qo-planted.dll, error 126).");
}

}  // namespace
}  // namespace qo::win32
