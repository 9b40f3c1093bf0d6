// The line-option handlers of Form1 on the headless platform: what each leaves
// in the controls, the store and on the screen.
#include <gtest/gtest.h>

#include "forms/form1.h"
#include "fakes/headless_platform.h"

namespace qo {
namespace {

class LineOptionsTest : public testing::Test {
 protected:
  LineOptionsTest() {
    window().setText1Text(L"5");
    window().setPicture1BackColor(255);
    host_.settings.values.clear();
    host_.settings.writes = 0;
  }
  HeadlessMainWindow& window() { return host_.mainWindow; }
  MemorySettingsStore& store() { return host_.settings; }
  std::vector<ShownBox>& boxes() { return host_.messages.shown; }

  HeadlessPlatform host_;
  Form1 form1_{host_.platform, host_.mainWindow};
};

TEST_F(LineOptionsTest, TypingOverTheSelectedThicknessStoresEachWholeText) {
  window().userFocuses(L"Text1");
  EXPECT_EQ(window().selectionStart, 0u);
  EXPECT_EQ(window().selectionLength, 1u) << "got focus selects all";
  window().userTypes(L"1");
  EXPECT_EQ(store().text(L"Text1"), L"1");
  window().userTypes(L"2");
  EXPECT_EQ(store().text(L"Text1"), L"12");
  EXPECT_EQ(store().writes, 2);
  EXPECT_EQ(store().values.size(), 1u) << "nothing but Text1";
}

struct LeavingCase {
  const wchar_t* typed;
  bool message;
  const wchar_t* left;  // the box's text afterwards, and what the store holds
};

class LeavingTheThicknessBox : public LineOptionsTest,
                               public testing::WithParamInterface<LeavingCase> {};

TEST_P(LeavingTheThicknessBox, AcceptsEmptyAndNumbersAndResetsAnythingElse) {
  host_.app.appTitle = L"Quillmark Orvane";
  window().userFocuses(L"Text1");
  window().setText1Text(GetParam().typed);
  window().userFocuses(L"Picture1");
  if (GetParam().message) {
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text, L"Must be a numeric value.");
    EXPECT_EQ(boxes()[0].title, L"Quillmark Orvane");
    EXPECT_EQ(boxes()[0].style, 0u) << "OK only, no icon";
  } else {
    EXPECT_TRUE(boxes().empty());
  }
  EXPECT_EQ(window().text1Text(), GetParam().left);
  EXPECT_EQ(store().text(L"Text1"), GetParam().left);
  EXPECT_EQ(window().focus, L"Picture1") << "the focus stays where the user moved it";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, LeavingTheThicknessBox,
    testing::Values(LeavingCase{L"", false, L""}, LeavingCase{L"abc", true, L"0"},
                    LeavingCase{L"2.5", false, L"2.5"}, LeavingCase{L"-3", false, L"-3"},
                    LeavingCase{L"1e3", false, L"1e3"}, LeavingCase{L" 7 ", false, L" 7 "},
                    LeavingCase{L"&H1F", false, L"&H1F"}, LeavingCase{L"1,000", false, L"1,000"},
                    LeavingCase{L"0x10", true, L"0"}, LeavingCase{L"5 5", true, L"0"}));

TEST_F(LineOptionsTest, TheColourChooserGetsTheSwatchColourAndItsAnswerIsStored) {
  const struct {
    std::optional<Colour> answer;  // nothing: cancelled
    Colour before;
    Colour after;
    const wchar_t* stored;
  } cases[] = {
      {65280, 255, 65280, L"65280"},
      {std::nullopt, 16711680, 16711680, L"16711680"},
      {std::nullopt, 0x8000000F, 0x8000000F, L"-2147483633"},
  };
  for (const auto& c : cases) {
    window().setPicture1BackColor(c.before);
    window().dialogs_.colourAnswers.push_back(c.answer);
    const int writes = store().writes;
    window().userClicks(L"Picture1");
    EXPECT_EQ(window().dialogs_.colourRequests.back(), c.before);
    EXPECT_EQ(window().picture1BackColor(), c.after);
    EXPECT_EQ(store().text(L"Color"), c.stored);
    EXPECT_EQ(store().writes, writes + 1) << "written after a cancel too";
  }
}

TEST_F(LineOptionsTest, TheCheckBoxStoresItsValueOnEveryChange) {
  window().userClicks(L"Check1");
  EXPECT_EQ(store().text(L"Check1"), L"1");
  window().userClicks(L"Check1");
  EXPECT_EQ(store().text(L"Check1"), L"0");
  window().setCheck1Value(2);
  EXPECT_EQ(store().text(L"Check1"), L"2");
  window().userClicks(L"Check1");
  EXPECT_EQ(window().check1Value(), 0) << "a click clears the dimmed state";
  EXPECT_EQ(store().text(L"Check1"), L"0");
}

TEST_F(LineOptionsTest, AStoreThatCannotBeWrittenIsReportedOnceAndTheOptionsStillApply) {
  host_.app.appTitle = L"Quillmark Orvane";
  store().failWrites = true;
  window().userFocuses(L"Text1");
  window().userTypes(L"123");
  window().userClicks(L"Check1");
  ASSERT_EQ(boxes().size(), 1u) << "one box, not one per keystroke";
  EXPECT_EQ(boxes()[0].text, unsavedOptionText(L"Access is denied."));
  EXPECT_EQ(boxes()[0].title, L"Quillmark Orvane");
  EXPECT_EQ(boxes()[0].style, 0x30u);
  EXPECT_EQ(window().text1Text(), L"123");
  EXPECT_EQ(window().check1Value(), 1);
  EXPECT_TRUE(store().values.empty());
}

}  // namespace
}  // namespace qo
