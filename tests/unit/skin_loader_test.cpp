#include "app/skin_loader.h"

#include <gtest/gtest.h>

#include "base/failure.h"
#include "fakes/headless_platform.h"
#include "fakes/recording_dispatch.h"
#include "ui/window_definitions.h"

namespace qo {
namespace {

const std::wstring kFolder = L"C:\\Program Files\\Quillmark Orvane";
const std::wstring kSkinPath = kFolder + L"\\x\\o.cjs";

// The main window as the loader sees it: Form1's control list, recolourings
// recorded in order.
class FakeSkinnableWindow final : public SkinnableWindow {
 public:
  FakeSkinnableWindow() {
    for (const auto& control : form1Definition().controls) kinds.push_back(control.kind);
  }
  std::vector<ControlKind> controlKinds() override { return kinds; }
  void setControlBackColor(std::size_t index, Colour colour) override {
    recoloured.push_back({index, colour});
  }
  void setBackColor(Colour colour) override { windowColour = colour; }
  std::int32_t windowHandle() override { return 0x1234; }
  DispatchObject& skinFramework() override { return skin; }

  std::vector<ControlKind> kinds;
  std::vector<std::pair<std::size_t, Colour>> recoloured;
  std::optional<Colour> windowColour;
  RecordingDispatch skin;
};

struct SkinLoaderTest : testing::Test {
  SkinLoaderTest() {
    app.folder = kFolder;
    files.addFolder(kFolder);
    files.addFolder(kFolder + L"\\x");
  }
  void load() { LoadSkin(app, files, window); }

  HeadlessApplication app;
  MemoryFileSystem files;
  FakeSkinnableWindow window;
};

std::vector<std::wstring_view> recolouredNames(const FakeSkinnableWindow& window) {
  std::vector<std::wstring_view> names;
  for (const auto& [index, colour] : window.recoloured) {
    EXPECT_EQ(colour, kButtonFace);
    names.push_back(form1Definition().controls[index].name);
  }
  return names;
}

TEST_F(SkinLoaderTest, FoundFileRecoloursInListOrderThenMakesTheSixCalls) {
  files.setFile(kSkinPath, {'?'});
  window.skin.answer = [](const RecordingDispatch::Call& call) -> DispatchValue {
    return call.kind == DispatchKind::PropertyGet ? DispatchValue{std::int32_t{6}} : DispatchValue{};
  };
  load();
  EXPECT_EQ(window.windowColour, kButtonFace);
  EXPECT_EQ(recolouredNames(window),
            (std::vector<std::wstring_view>{L"Frame3", L"Check1", L"Frame1", L"Label2", L"Label1",
                                            L"Frame2", L"Label4", L"Label3"}));
  using K = DispatchKind;
  using V = std::vector<DispatchValue>;
  const std::vector<std::tuple<std::int32_t, K, V>> expected = {
      {2, K::Method, V{kSkinPath, std::wstring()}},
      {1, K::PropertyGet, V{}},
      {1, K::PropertyPut, V{std::int32_t{7}}},
      {5, K::PropertyPut, V{true}},
      {10, K::PropertyPut, V{true}},
      {3, K::Method, V{std::int32_t{0x1234}}},
  };
  ASSERT_EQ(window.skin.calls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const auto& call = window.skin.calls[i];
    EXPECT_EQ(call.id, std::get<0>(expected[i])) << "call " << i + 1;
    EXPECT_EQ(call.kind, std::get<1>(expected[i])) << "call " << i + 1;
    EXPECT_EQ(call.args, std::get<2>(expected[i])) << "call " << i + 1;
  }
}

TEST_F(SkinLoaderTest, OptionBitsKeepTheirValuesWithBitZeroSet) {
  files.setFile(kSkinPath, {});
  const std::pair<DispatchValue, std::int32_t> cases[] = {
      {std::int32_t{6}, 7}, {std::int32_t{7}, 7}, {std::int32_t{0}, 1},
      {DispatchValue{}, 1}, {std::int32_t{-2}, -1},
  };
  for (const auto& [read, written] : cases) {
    FakeSkinnableWindow fresh;
    fresh.skin.answer = [read = read](const RecordingDispatch::Call& call) {
      return call.kind == DispatchKind::PropertyGet ? read : DispatchValue{};
    };
    LoadSkin(app, files, fresh);
    ASSERT_EQ(fresh.skin.calls.size(), 6u);
    EXPECT_EQ(fresh.skin.calls[2].args, std::vector<DispatchValue>{written}) << written;
  }
}

TEST_F(SkinLoaderTest, RecoloursEveryOptionButtonCheckBoxFrameAndLabelOnly) {
  files.setFile(kSkinPath, {});
  window.kinds = {ControlKind::PushButton, ControlKind::OptionButton, ControlKind::TextBox,
                  ControlKind::Label,      ControlKind::PictureBox,   ControlKind::CheckBox,
                  ControlKind::Frame,      ControlKind::CommonDialog, ControlKind::SkinFramework};
  load();
  std::vector<std::size_t> indices;
  for (const auto& entry : window.recoloured) indices.push_back(entry.first);
  EXPECT_EQ(indices, (std::vector<std::size_t>{1, 3, 5, 6}));
}

TEST_F(SkinLoaderTest, OnlyAPlainFileOfThatNameCounts) {
  struct Case {
    const char* what;
    bool folder;
    DirectoryEntry attributes;
    bool counts;
  };
  const Case cases[] = {
      {"missing", false, {}, false},
      {"folder named o.cjs", true, {}, false},
      {"hidden", false, {.hidden = true}, false},
      {"system", false, {.system = true}, false},
      {"plain", false, {}, true},
  };
  for (const Case& c : cases) {
    MemoryFileSystem fs;
    fs.addFolder(kFolder + L"\\x");
    if (c.folder) fs.addFolder(kSkinPath);
    if (!c.folder && std::string_view(c.what) != "missing") {
      fs.setFile(kSkinPath, {});
      fs.setAttributes(kSkinPath, c.attributes);
    }
    FakeSkinnableWindow fresh;
    LoadSkin(app, fs, fresh);
    EXPECT_EQ(fresh.skin.calls.size(), c.counts ? 6u : 0u) << c.what;
    EXPECT_EQ(fresh.windowColour.has_value(), c.counts) << c.what;
    EXPECT_EQ(fresh.recoloured.empty(), !c.counts) << c.what;
  }
}

TEST_F(SkinLoaderTest, AFailingCallEndsTheLoaderAndPassesOnWithTheColoursKept) {
  files.setFile(kSkinPath, {});
  window.skin.answer = [](const RecordingDispatch::Call& call) -> DispatchValue {
    if (call.id == kSkinLoad) throw Failure(L"The skin file could not be opened.");
    return {};
  };
  EXPECT_THROW(load(), Failure);
  EXPECT_EQ(window.skin.calls.size(), 1u);
  EXPECT_EQ(window.windowColour, kButtonFace);
  EXPECT_EQ(window.recoloured.size(), 8u);
}

TEST(SkinFilePath, FollowsTheProgramFolderWithoutDoublingTheRootsBackslash) {
  EXPECT_EQ(skinFilePath(L"C:\\Apps\\QO"), L"C:\\Apps\\QO\\x\\o.cjs");
  EXPECT_EQ(skinFilePath(L"C:\\"), L"C:\\x\\o.cjs");
}

}  // namespace
}  // namespace qo
