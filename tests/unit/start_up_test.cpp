// Start-up, end and pointer feedback of Form1 on the headless platform.
#include <gtest/gtest.h>

#include "base/error_report.h"
#include "base/failure.h"
#include "forms/form1.h"
#include "fakes/headless_platform.h"

namespace qo {
namespace {

TEST(AppTitle, CutsTheLastWordThenWhileLongerThanFortyCharacters) {
  const std::wstring tenWords = L"abcd abcd abcd abcd abcd abcd abcd abcd abcd abcd";
  const std::wstring noBlank(45, L'x');
  const struct {
    std::wstring text;
    std::wstring title;
  } cases[] = {
      {L"Quillmark Orvane", L"Quillmark"},
      {L"ab cd ef", L"ab cd"},
      {tenWords, tenWords.substr(0, 39)},
      {L"ab cd ", L"ab cd"},
      {L"ab  cd", L"ab "},
      {L"ab\tcd", L"ab\tcd"},         // only U+0020 counts: no blank, nothing to cut
      {noBlank, noBlank},             // mended: the cutting ends when no blank is left
      {noBlank + L" tail", noBlank},  // one cut, then no blank left
  };
  for (const auto& c : cases) {
    EXPECT_EQ(appTitleFrom(c.text), c.title) << c.text.size();
  }
  HeadlessApplication app;
  SetAppTitle(app);
  EXPECT_EQ(app.title(), L"Quillmark");
}

// The platform with Form1 on it, as one start-up sees it.
struct StartUpHost {
  HeadlessMainWindow& window() { return host_.mainWindow; }
  MemorySettingsStore& store() { return host_.settings; }
  std::vector<int> reportedLines() {
    std::vector<int> lines;
    for (const auto& box : host_.messages.reportsFrom(location::kForm1Load)) {
      const auto at = box.text.find(L" at line ");
      lines.push_back(std::stoi(box.text.substr(at + 9)));
    }
    return lines;
  }
  void storeText(std::wstring_view key, std::wstring_view text) {
    store().put(key, textValue(text));
  }

  HeadlessPlatform host_;
  Form1 form1_{host_.platform, host_.mainWindow};
};

class StartUpTest : public testing::Test, public StartUpHost {};

TEST_F(StartUpTest, AFirstStartRestoresTheDefaultsAndStoresOnlyTheThickness) {
  window().load();
  EXPECT_TRUE(host_.messages.shown.empty());
  EXPECT_EQ(window().caption, L"Quillmark Orvane");
  EXPECT_TRUE(window().hasApplicationIcon);
  EXPECT_EQ(host_.app.title(), L"Quillmark");
  EXPECT_EQ(window().text1Text(), L"5");
  EXPECT_EQ(window().picture1BackColor(), 255u);
  EXPECT_EQ(window().check1Value(), 0);
  EXPECT_EQ(window().mouseIcon, L"") << "no HAND-M.CUR, no image and no report";
  EXPECT_EQ(window().pointer, kDefaultPointer) << "the load sets the image only";
  EXPECT_EQ(store().values.size(), 1u);
  EXPECT_EQ(store().text(L"Text1"), L"5");
}

TEST_F(StartUpTest, StoredOptionsAreRestoredAsTheyStand) {
  const struct {
    const wchar_t* text1;
    const wchar_t* color;
    const wchar_t* check1;
    Colour colour;
    int check;
  } cases[] = {
      {L"", L"16711680", L"1", 16711680, 1},
      {L"abc", L"-2147483633", L"2", 0x8000000F, 2},
      {L"12", L"2.5", L"0", 2, 0},
  };
  for (const auto& c : cases) {
    HeadlessPlatform host;
    host.settings.put(L"Text1", textValue(c.text1));
    host.settings.put(L"Color", textValue(c.color));
    host.settings.put(L"Check1", textValue(c.check1));
    Form1 form1(host.platform, host.mainWindow);
    host.mainWindow.load();
    EXPECT_TRUE(host.messages.shown.empty()) << "no check of the thickness at start-up";
    EXPECT_EQ(host.mainWindow.text1Text(), c.text1);
    EXPECT_EQ(host.mainWindow.picture1BackColor(), c.colour) << c.color;
    EXPECT_EQ(host.mainWindow.check1Value(), c.check);
    EXPECT_EQ(host.settings.text(L"Check1"), c.check1) << "written back only when not 0";
    EXPECT_EQ(host.settings.text(L"Color"), c.color) << "never written at start-up";
  }
}

TEST_F(StartUpTest, EachFailedStepIsReportedWithItsLineAndTheNextStepStillRuns) {
  using Check = std::function<bool(StartUpHost&)>;
  const Check cursorLoaded = [](StartUpHost& t) { return !t.window().mouseIcon.empty(); };
  const Check captionSet = [](StartUpHost& t) { return t.window().caption == kProductName; };
  const Check iconSet = [](StartUpHost& t) { return t.window().hasApplicationIcon; };
  const Check titleSet = [](StartUpHost& t) { return t.host_.app.title() == L"Quillmark"; };
  const Check thicknessSet = [](StartUpHost& t) { return t.window().text1Text() == L"5"; };
  const Check colourSet = [](StartUpHost& t) { return t.window().picture1BackColor() == 255u; };
  const Check minimiseSet = [](StartUpHost& t) { return t.window().check1Value() == 1; };
  const Check nothing = [](StartUpHost&) { return true; };
  const auto failing = [](const wchar_t* setter) {
    return [setter](StartUpHost& t) { t.window().failing.insert(setter); };
  };
  const struct {
    const char* what;
    std::function<void(StartUpHost&)> arrange;
    std::vector<int> lines;
    Check nextStepRan;
  } cases[] = {
      {"the skin component refuses the skin file",
       [](StartUpHost& t) {
         t.host_.files.setFile(t.host_.app.folder + L"\\x\\o.cjs", {'x'});
         t.window().skin.answer = [](const RecordingDispatch::Call&) -> DispatchValue {
           throw Failure(L"The skin file could not be opened.");
         };
       },
       {100},
       cursorLoaded},
      {"a HAND-M.CUR that is no cursor", [](StartUpHost& t) { t.window().mouseIconIsBad = true; },
       {106}, captionSet},
      {"the caption", failing(L"showCaption"), {126}, iconSet},
      {"the icon", failing(L"showApplicationIcon"), {126}, titleSet},
      {"the application title", [](StartUpHost& t) { t.host_.app.titleFails = true; }, {126},
       thicknessSet},
      {"the thickness box", failing(L"showText"), {128}, colourSet},
      {"a thickness longer than the box holds, kept as stored",
       [](StartUpHost& t) { t.storeText(L"Text1", std::wstring(40000, L'1')); }, {128},
       [&](StartUpHost& t) {  // 40,000 characters and the NUL, not "5"
         return colourSet(t) && t.store().find(L"Text1")->bytes.size() == 80002;
       }},
      {"letters for the colour", [](StartUpHost& t) { t.storeText(L"Color", L"abc"); }, {130},
       minimiseSet},
      {"a colour beyond 32 bits", [](StartUpHost& t) { t.storeText(L"Color", L"4294967295"); },
       {130}, minimiseSet},
      {"the swatch refuses the colour", failing(L"showBackColour"), {130}, minimiseSet},
      {"letters for the minimise option", [](StartUpHost& t) { t.storeText(L"Check1", L"abc"); },
       {132}, nothing},
      {"a state the check box rejects", [](StartUpHost& t) { t.storeText(L"Check1", L"3"); },
       {132}, nothing},
      {"both",
       [](StartUpHost& t) {
         t.storeText(L"Color", L"x");
         t.storeText(L"Check1", L"70000");
       },
       {130, 132}, nothing},
  };
  for (const auto& c : cases) {
    StartUpHost t;
    t.host_.app.appTitle.clear();
    t.host_.files.setFile(t.host_.app.folder + L"\\HAND-M.CUR", {'x'});
    t.storeText(L"Check1", L"1");
    c.arrange(t);
    t.window().load();
    EXPECT_EQ(t.reportedLines(), c.lines) << c.what;
    EXPECT_EQ(t.host_.messages.shown.size(), c.lines.size()) << c.what << ": no other box";
    EXPECT_TRUE(c.nextStepRan(t)) << c.what;
    EXPECT_TRUE(thicknessSet(t) || c.lines.front() == 128) << "later steps too: " << c.what;
  }
}

TEST_F(StartUpTest, ACursorFileBesideTheProgramBecomesTheImage) {
  const std::wstring path = host_.app.folder + L"\\HAND-M.CUR";
  host_.files.setFile(path, {1, 2, 3});
  window().load();
  EXPECT_EQ(window().mouseIcon, path);
  EXPECT_TRUE(host_.messages.shown.empty());
}

TEST_F(StartUpTest, ClosingTheWindowEndsTheProgramAndWritesNothing) {
  window().load();
  const int writes = store().writes;
  EXPECT_THROW(window().unload(), ProgramEnded);
  EXPECT_EQ(store().writes, writes);
}

TEST_F(StartUpTest, ThePointerIsTheHandOverStartDrawingAndTheArrowOverFramesAndWindow) {
  const struct {
    const wchar_t* over;
    int pointer;  // afterwards, from the custom setting
  } cases[] = {
      {L"PushButton2", kCustomPointer}, {L"Form1", kDefaultPointer},  {L"Frame1", kDefaultPointer},
      {L"Frame2", kDefaultPointer},     {L"Frame3", kDefaultPointer}, {L"Text1", kCustomPointer},
      {L"Label1", kCustomPointer},      {L"Check1", kCustomPointer},
  };
  for (const auto& c : cases) {
    window().setMousePointer(kCustomPointer);
    window().userMovesMouseOver(c.over, {1, 2, 30.0f, 45.0f});
    EXPECT_EQ(window().pointer, c.pointer) << std::string(c.over, c.over + 5);
  }
}

}  // namespace
}  // namespace qo
