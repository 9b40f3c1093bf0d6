// The overlay's mouse handlers: drawing, the preview box, saving and closing.
#include <gtest/gtest.h>

#include "base/error_report.h"
#include "fakes/bitmap_encoder.h"
#include "formats/bitmap_file.h"
#include "overlay/form2.h"
#include "fakes/headless_platform.h"

namespace qo {
namespace {

constexpr Colour kRed = 255;
constexpr std::uint32_t kRedPixel = 0x00FF0000;

class Overlay : public testing::Test {
 protected:
  void SetUp() override {
    form2_.Load();
    form2_.m_Width = 3;
    form2_.m_Color = kRed;
  }
  HeadlessOverlayWindow& window() { return *host_.overlays.current; }
  const PixelImage& picture() { return window().picture(); }
  std::vector<std::wstring> reports() {
    std::vector<std::wstring> texts;
    for (const auto& box : host_.messages.shown) texts.push_back(box.text);
    return texts;
  }

  HeadlessPlatform host_{{200, 150}};
  Form2 form2_{host_.platform, host_.mainWindow};
};

TEST_F(Overlay, ALeftPressJoinsTheStoredPointToThePressPoint) {
  form2_.Form_MouseDown(1, 0, 40, 30);
  EXPECT_EQ(window().segments, 1);
  EXPECT_EQ(picture().at(0, 0), kRedPixel) << "from the first stored point (0, 0)";
  EXPECT_EQ(picture().at(20, 15), kRedPixel);
  EXPECT_EQ(picture().at(40, 30), kRedPixel);
  EXPECT_EQ(form2_.storedPoint(), (Point{40, 30}));
}

TEST_F(Overlay, AMoveWithoutButtonsOnlyMovesTheStoredPoint) {
  form2_.Form_MouseMove(0, 0, 60, 70);
  EXPECT_EQ(window().segments, 0);
  EXPECT_EQ(form2_.storedPoint(), (Point{60, 70}));
  form2_.Form_MouseDown(1, 0, 60, 70);  // press and release without movement
  EXPECT_EQ(window().segments, 1);
  EXPECT_EQ(picture().at(60, 70), kRedPixel);
  EXPECT_NE(picture().at(0, 0), kRedPixel);
}

TEST_F(Overlay, ADragDrawsOneConnectedSegmentPerMove) {
  form2_.Form_MouseMove(0, 0, 10, 10);
  form2_.Form_MouseDown(1, 0, 10, 10);
  const Point path[] = {{30, 12}, {50, 40}, {52, 90}};
  for (const Point p : path) form2_.Form_MouseMove(1, 0, float(p.x), float(p.y));
  EXPECT_EQ(window().segments, 4);
  EXPECT_EQ(form2_.storedPoint(), (Point{52, 90}));
  for (const Point p : {Point{20, 11}, Point{40, 26}, Point{51, 65}}) {
    EXPECT_EQ(picture().at(p.x, p.y), kRedPixel) << p.x << "," << p.y;
  }
  EXPECT_EQ(window().lastPenWidth, 3);
}

TEST_F(Overlay, OtherButtonCombinationsDrawNothingAndKeepTheStoredPoint) {
  form2_.Form_MouseMove(0, 0, 10, 10);
  for (int buttons : {3, 4, 5, 6, 7}) form2_.Form_MouseMove(buttons, 0, 90, 90);
  for (int button : {4, 8}) form2_.Form_MouseDown(button, 0, 90, 90);
  EXPECT_EQ(window().segments, 0);
  EXPECT_EQ(form2_.storedPoint(), (Point{10, 10}));
  EXPECT_TRUE(host_.overlays.dialogs.saveRequests.empty());
  form2_.Form_MouseMove(1, 0, 90, 90);  // the left button alone again
  EXPECT_EQ(window().segments, 1);
  EXPECT_EQ(picture().at(50, 50), kRedPixel) << "one straight segment from the stored point";
}

TEST_F(Overlay, AWidthBelowOneIsReportedAtLine102OnEverySegmentAndTheWidthInForceDraws) {
  form2_.m_Width = 0;
  form2_.Form_MouseDown(1, 0, 20, 20);
  form2_.Form_MouseMove(1, 0, 40, 20);
  ASSERT_EQ(reports().size(), 2u);
  for (const auto& text : reports()) {
    EXPECT_EQ(text,
              errorReportText(text.substr(0, text.find(L"\r\n")), location::kForm2MouseDown, 102));
  }
  EXPECT_EQ(window().segments, 2);
  EXPECT_EQ(window().lastPenWidth, 1) << "a freshly built overlay draws one pixel wide";
  EXPECT_EQ(form2_.storedPoint(), (Point{40, 20}));
}

TEST_F(Overlay, AFailedWidthKeepsTheWidthSetBefore) {
  form2_.m_Width = 6;
  form2_.Form_MouseDown(1, 0, 20, 20);
  form2_.m_Width = -2;
  form2_.Form_MouseDown(1, 0, 30, 20);
  EXPECT_EQ(reports().size(), 1u);
  EXPECT_EQ(window().lastPenWidth, 6);
}

TEST_F(Overlay, ARebuiltWindowStartsAgainWithAOnePixelPen) {
  form2_.m_Width = 6;
  form2_.Form_MouseDown(1, 0, 20, 20);
  form2_.Unload();
  form2_.Load();
  form2_.m_Width = 0;  // refused: the pen stays as the new window has it
  form2_.Form_MouseDown(1, 0, 30, 30);
  EXPECT_EQ(window().lastPenWidth, 1);
}

struct SquareCase {
  float pointer;
  int first;  // first column (or row) of the square
};

class PreviewSquare : public testing::TestWithParam<SquareCase> {};

TEST_P(PreviewSquare, MovesInStepsOfTwoPixels) {
  const Rect square = previewSquare(GetParam().pointer, GetParam().pointer);
  EXPECT_EQ(square, (Rect{GetParam().first, GetParam().first, GetParam().first + 25,
                          GetParam().first + 25}));
}

INSTANTIATE_TEST_SUITE_P(Pointers, PreviewSquare,
                         testing::Values(SquareCase{100, 88}, SquareCase{101, 88},
                                         SquareCase{102, 90}, SquareCase{103, 90},
                                         SquareCase{0, -12}, SquareCase{1, -12}, SquareCase{12, 0},
                                         SquareCase{13, 0}));

TEST_F(Overlay, EveryMoveRefreshesThePreviewFromThePicture) {
  form2_.Form_MouseMove(0, 0, 100, 75);
  form2_.Form_MouseMove(1, 0, 110, 75);
  ASSERT_EQ(window().previewSources.size(), 2u);
  EXPECT_EQ(window().previewSources[1], (Rect{98, 62, 123, 87}));
  // The preview shows the line just drawn: pointer column 110 is preview column 12.
  EXPECT_EQ(window().preview().at(12, 13), kRedPixel);
  EXPECT_EQ(window().preview().at(0, 0), picture().at(98, 62));
}

TEST_F(Overlay, ThePartOfTheSquareOutsideThePictureShowsNeutralGrey) {
  form2_.Form_MouseMove(0, 0, 2, 148);  // 200 x 150 picture
  const PixelImage& preview = window().preview();
  EXPECT_EQ(preview.at(0, 0), kNeutralPreview) << "left of the picture";
  EXPECT_EQ(preview.at(24, 24), kNeutralPreview) << "below the picture";
  EXPECT_EQ(preview.at(24, 0), picture().at(14, 136));
}

TEST_F(Overlay, TheStoredPointSurvivesClosingTheOverlay) {
  form2_.Form_MouseMove(0, 0, 77, 66);
  form2_.Form_DblClick();
  EXPECT_EQ(host_.overlays.current, nullptr);
  form2_.Load();
  form2_.Form_MouseDown(1, 0, 77, 80);
  EXPECT_EQ(picture().at(77, 72), kRedPixel) << "joined to where the last drawing ended";
}

TEST_F(Overlay, ADoubleClickRestoresTheMainWindowAndUnloadsTheOverlay) {
  host_.mainWindow.state = HeadlessMainWindow::State::Minimised;
  form2_.Form_DblClick();
  EXPECT_EQ(host_.mainWindow.state, HeadlessMainWindow::State::Normal);
  EXPECT_EQ(host_.overlays.current, nullptr);
  EXPECT_EQ(form2_.m_Width, 3);
  EXPECT_EQ(form2_.m_Color, kRed);
}

class Saving : public Overlay {
 protected:
  void SetUp() override {
    Overlay::SetUp();
    host_.files.addFolder(L"C:\\pics");
  }
  ScriptedDialogs& dialogs() { return host_.overlays.dialogs; }
  void saveAs(std::optional<std::wstring> answer) {
    dialogs().saveAnswers.push_back(std::move(answer));
    form2_.Form_MouseDown(2, 0, 5, 5);
  }
};

TEST_F(Saving, TheDialogAsksWithItsTitleFilterAndAnEmptyNameEveryTime) {
  saveAs(L"C:\\pics\\one.bmp");
  saveAs(std::nullopt);
  ASSERT_EQ(dialogs().saveRequests.size(), 2u);
  for (const auto& request : dialogs().saveRequests) {
    EXPECT_EQ(request.title, L"Save As");
    EXPECT_EQ(request.filters, (std::vector<FileFilter>{{L"BMP Files (*.bmp)", L"*.bmp"}}));
    EXPECT_EQ(request.initialName, L"");
    EXPECT_EQ(request.flags, 0u);
  }
}

TEST_F(Saving, CancelWritesNothingAndShowsNothing) {
  saveAs(std::nullopt);
  EXPECT_EQ(host_.files.fileCount(), 0u);
  EXPECT_TRUE(host_.messages.shown.empty());
}

TEST_F(Saving, ANameWithoutExtensionIsUsedAsTyped) {
  form2_.Form_MouseDown(1, 0, 30, 30);
  saveAs(L"C:\\pics\\drawing");
  ASSERT_EQ(host_.files.fileNames(), (std::vector<std::wstring>{L"C:\\pics\\drawing"}));
  EXPECT_EQ(host_.files.file(L"C:\\pics\\drawing"), encodeBmp(window().image()));
  EXPECT_TRUE(host_.messages.shown.empty());
}

TEST_F(Saving, AnExistingFileIsReplacedWithoutAQuestion) {
  host_.files.setFile(L"C:\\pics\\old.bmp", {1, 2, 3});
  saveAs(L"C:\\pics\\old.bmp");
  EXPECT_EQ(host_.files.file(L"C:\\pics\\old.bmp"), encodeBmp(window().image()));
  EXPECT_EQ(host_.files.fileCount(), 1u);
  EXPECT_TRUE(host_.messages.shown.empty());
}

TEST_F(Saving, AFailedWriteIsReportedAtLine122AndDamagesNothing) {
  host_.files.setFile(L"C:\\pics\\old.bmp", {1, 2, 3});
  host_.files.failWrite(1, 100);
  saveAs(L"C:\\pics\\old.bmp");
  ASSERT_EQ(reports().size(), 1u);
  EXPECT_NE(
      reports()[0].find(L"\r\nin QuillmarkOrvane2021/08/31.Form2.Form_MouseDown at line 122\r\r"),
      std::wstring::npos);
  EXPECT_EQ(host_.files.file(L"C:\\pics\\old.bmp"), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_EQ(host_.files.fileCount(), 1u) << "no temporary file left behind";
  EXPECT_NE(host_.overlays.current, nullptr) << "the overlay stays open";
}

TEST_F(Saving, AFolderThatDoesNotExistIsReportedAtLine122) {
  saveAs(L"C:\\nowhere\\x.bmp");
  ASSERT_EQ(reports().size(), 1u);
  EXPECT_NE(reports()[0].find(L"at line 122"), std::wstring::npos);
  EXPECT_EQ(host_.files.fileCount(), 0u);
}

TEST_F(Saving, AnOverlayClosedWhileItsDialogIsOpenWritesNothing) {
  dialogs().whileSaveOpen = [&] { form2_.systemClose(); };
  saveAs(L"C:\\pics\\late.bmp");
  EXPECT_EQ(host_.files.fileCount(), 0u);
  EXPECT_TRUE(host_.messages.shown.empty());
  EXPECT_EQ(host_.overlays.current, nullptr);
}

TEST_F(Saving, AMoveWithTheRightButtonHeldSavesAgainAndDrawingGoesOn) {
  dialogs().saveAnswers = {std::nullopt, std::nullopt};
  form2_.Form_MouseMove(2, 0, 10, 10);
  form2_.Form_MouseMove(2, 0, 12, 10);
  EXPECT_EQ(dialogs().saveRequests.size(), 2u);
  form2_.Form_MouseMove(1, 0, 40, 10);
  EXPECT_EQ(window().segments, 1);
}

}  // namespace
}  // namespace qo
