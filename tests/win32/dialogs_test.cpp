// The comdlg32 dialogs: the filter text they get, and the real dialogs driven
// from a second thread the way a user would answer them.
#include <gtest/gtest.h>

#include "base/failure.h"
#include "dialog_answer.h"
#include "platform/win32/dialogs_win32.h"
#include "win32_test_support.h"

// After <windows.h>, which the headers above bring in.
#include <commdlg.h>

namespace qo::win32 {
namespace {

using testing::controlText;
using testing::DialogAnswer;
using testing::fileNameField;
using testing::narrow;
using testing::press;
using testing::saveAs;
using testing::ScratchFolder;

// --- filter text ----------------------------------------------------------------------------

TEST(ComdlgFilter, IsDescriptionAndPatternPairsEndingInTwoNuls) {
  const struct {
    const wchar_t* filter;
    std::wstring expected;
  } cases[] = {
      {L"BMP Files (*.bmp)|*.bmp|",
       std::wstring(L"BMP Files (*.bmp)\0*.bmp\0\0",
                    sizeof(L"BMP Files (*.bmp)\0*.bmp\0") / sizeof(wchar_t))},
      {L"BMP Files (*.bmp)|*.bmp",
       std::wstring(L"BMP Files (*.bmp)\0*.bmp\0\0",
                    sizeof(L"BMP Files (*.bmp)\0*.bmp\0") / sizeof(wchar_t))},
      {L"Pictures|*.bmp;*.dib|All|*.*|",
       std::wstring(L"Pictures\0*.bmp;*.dib\0All\0*.*\0\0",
                    sizeof(L"Pictures\0*.bmp;*.dib\0All\0*.*\0") / sizeof(wchar_t))},
  };
  for (const auto& c : cases) {
    const std::wstring text = comdlgFilter(parseFilter(c.filter));
    EXPECT_EQ(text.size(), c.expected.size()) << narrow(c.filter);
    EXPECT_EQ(text, c.expected) << narrow(c.filter);
  }
  // "BMP Files (*.bmp)", NUL, "*.bmp", NUL, NUL.
  EXPECT_EQ(comdlgFilter(parseFilter(L"BMP Files (*.bmp)|*.bmp|")).size(), 17u + 1 + 5 + 1 + 1);
}

TEST(ComdlgFilter, AnEmptyListIsOneNulBeforeTheTerminator) {
  // With the string's own terminator that makes the two NULs that end a list.
  EXPECT_EQ(comdlgFilter({}), std::wstring(1, L'\0'));
  EXPECT_EQ(comdlgFilter(parseFilter(L"")), std::wstring(1, L'\0'));
}

// --- the real dialogs -----------------------------------------------------------------------

struct SaveDialogFacts {
  std::wstring nameField;
  std::vector<std::wstring> types;
};

SaveDialogFacts readSaveDialog(HWND dialog) {
  SaveDialogFacts facts;
  facts.nameField = controlText(fileNameField(dialog));
  const HWND types = ::GetDlgItem(dialog, cmb1);
  const auto count = ::SendMessageW(types, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    ::SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    facts.types.push_back(text);
  }
  return facts;
}

class SaveDialogTest : public ::testing::Test {
 protected:
  const std::vector<FileFilter> filters = parseFilter(L"BMP Files (*.bmp)|*.bmp|");
  Win32DialogHost host{nullptr};
  ScratchFolder folder;
};

TEST_F(SaveDialogTest, ReturnsTheTypedNameExactlyAsTyped) {
  const std::wstring typed = folder.file(L"shot");
  SaveDialogFacts facts;
  DialogAnswer answer(L"Save As", [&](HWND dialog) {
    facts = readSaveDialog(dialog);
    ::SetWindowTextW(fileNameField(dialog), typed.c_str());
    press(dialog, IDOK);
  });
  const auto chosen = host.showSave(L"Save As", filters, L"", 0);
  ASSERT_TRUE(answer.finish()) << "no Save As dialog appeared";
  EXPECT_EQ(facts.nameField, L"");
  EXPECT_EQ(facts.types, std::vector<std::wstring>{L"BMP Files (*.bmp)"});
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, typed) << "no extension may be added";
  EXPECT_TRUE(folder.names().empty()) << "the dialog itself writes nothing";
}

TEST_F(SaveDialogTest, AnExistingFileIsChosenWithoutAQuestion) {
  ASSERT_TRUE(testing::writeWholeFile(folder.file(L"old.bmp"), {'x'}));
  const std::wstring typed = folder.file(L"old.bmp");
  DialogAnswer answer(L"Save As", saveAs(typed));
  const auto chosen = host.showSave(L"Save As", filters, L"", 0);
  ASSERT_TRUE(answer.finish());
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(*chosen, typed);
}

TEST_F(SaveDialogTest, CancelGivesNothingAndNoError) {
  DialogAnswer answer(L"Save As", [&](HWND dialog) { press(dialog, IDCANCEL); });
  std::optional<std::wstring> chosen = L"unchanged";
  EXPECT_NO_THROW(chosen = host.showSave(L"Save As", filters, L"", 0));
  ASSERT_TRUE(answer.finish());
  EXPECT_FALSE(chosen.has_value());
}

TEST_F(SaveDialogTest, OpensWithTheInitialName) {
  SaveDialogFacts facts;
  DialogAnswer answer(L"Save As", [&](HWND dialog) {
    facts = readSaveDialog(dialog);
    press(dialog, IDCANCEL);
  });
  host.showSave(L"Save As", filters, L"first.bmp", 0);
  ASSERT_TRUE(answer.finish());
  EXPECT_EQ(facts.nameField, L"first.bmp");
}

class ColorDialogTest : public ::testing::Test {
 protected:
  Win32DialogHost host{nullptr};
};

TEST_F(ColorDialogTest, OkReturnsTheStartingColour) {
  const struct {
    Colour initial;
    Colour expected;
  } cases[] = {
      {0x000000FF, 0x000000FF},
      {0x00FF0000, 0x00FF0000},
      {0x8000000F, static_cast<Colour>(::GetSysColor(COLOR_BTNFACE))},
  };
  for (const auto& c : cases) {
    DialogAnswer answer(L"Color", [&](HWND dialog) { press(dialog, IDOK); });
    const auto chosen = host.showColor(c.initial, CC_RGBINIT);
    ASSERT_TRUE(answer.finish()) << "no Color dialog appeared";
    ASSERT_TRUE(chosen.has_value()) << std::hex << c.initial;
    EXPECT_EQ(*chosen, c.expected) << std::hex << c.initial;
  }
}

TEST_F(ColorDialogTest, CancelGivesNothingAndNoError) {
  DialogAnswer answer(L"Color", [&](HWND dialog) { press(dialog, IDCANCEL); });
  std::optional<Colour> chosen = 1;
  EXPECT_NO_THROW(chosen = host.showColor(0x000000FF, 0));
  ASSERT_TRUE(answer.finish());
  EXPECT_FALSE(chosen.has_value());
}

}  // namespace
}  // namespace qo::win32
