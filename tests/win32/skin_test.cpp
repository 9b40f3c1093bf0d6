// The skin framework component for real: its IDispatch called with real
// VARIANTs, the caller that builds them, a window drawn in the skin's colours,
// the directory search that finds the skin file, and the cursor file loader.
#include <gtest/gtest.h>

#include <memory>

#include "app/skin_loader.h"
#include "base/failure.h"
#include "fakes/headless_platform.h"
#include "platform/win32/controls_win32.h"
#include "platform/win32/cursor_file_win32.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/skin_framework_win32.h"
#include "win32_test_support.h"

namespace qo::win32 {
namespace {

using testing::LiveHandles;
using testing::failureOf;
using testing::pumpUntil;
using testing::readWholeFile;
using testing::besideTheTests;
using testing::ScratchFolder;
using testing::screenPixel;
using testing::writeWholeFile;

std::vector<std::uint8_t> bytesOf(std::string_view text) { return {text.begin(), text.end()}; }

// --- the caller: what reaches an IDispatch ----------------------------------------------

// An IDispatch that keeps what it was called with and answers as told.
class RecordingIDispatch final : public IDispatch {
 public:
  struct Argument {
    VARTYPE type;
    LONG number;
    VARIANT_BOOL flag;
    std::wstring text;
  };
  DISPID id = 0;
  WORD flags = 0;
  std::vector<Argument> arguments;  // as DISPPARAMS holds them: last argument first
  std::vector<DISPID> named;
  bool resultAsked = false;
  VARIANT answer{};                 // copied into the result
  HRESULT outcome = S_OK;
  const wchar_t* description = nullptr;  // with DISP_E_EXCEPTION

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID, LCID, WORD how, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO* exception, UINT*) override {
    id = member;
    flags = how;
    for (UINT i = 0; i < params->cArgs; ++i) {
      const VARIANT& v = params->rgvarg[i];
      arguments.push_back({v.vt, v.vt == VT_I4 ? v.lVal : 0, v.vt == VT_BOOL ? v.boolVal : VARIANT_BOOL{0},
                           v.vt == VT_BSTR ? std::wstring(v.bstrVal, ::SysStringLen(v.bstrVal))
                                           : std::wstring()});
    }
    named.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
    resultAsked = result != nullptr;
    if (result) ::VariantCopy(result, &answer);
    if (outcome == DISP_E_EXCEPTION && exception) {
      exception->bstrDescription = ::SysAllocString(description);
    }
    return outcome;
  }
};

TEST(SkinDispatchCaller, BuildsRealDispParamsForEachKindOfCall) {
  RecordingIDispatch target;
  auto caller = dispatchCaller(&target);

  caller->invoke(2, DispatchKind::Method, {std::wstring(L"C:\\Q\\x\\o.cjs"), std::wstring()});
  EXPECT_EQ(target.id, 2);
  EXPECT_EQ(target.flags, DISPATCH_METHOD);
  ASSERT_EQ(target.arguments.size(), 2u);
  EXPECT_EQ(target.arguments[0].type, VT_BSTR);
  EXPECT_EQ(target.arguments[0].text, L"");
  EXPECT_EQ(target.arguments[1].text, L"C:\\Q\\x\\o.cjs");
  EXPECT_TRUE(target.named.empty());

  target = RecordingIDispatch();
  caller->invoke(1, DispatchKind::PropertyPut, {std::int32_t{7}});
  EXPECT_EQ(target.flags, DISPATCH_PROPERTYPUT);
  ASSERT_EQ(target.arguments.size(), 1u);
  EXPECT_EQ(target.arguments[0].type, VT_I4);
  EXPECT_EQ(target.arguments[0].number, 7);
  EXPECT_EQ(target.named, std::vector<DISPID>{DISPID_PROPERTYPUT});
  EXPECT_FALSE(target.resultAsked);

  target = RecordingIDispatch();
  caller->invoke(10, DispatchKind::PropertyPut, {true});
  EXPECT_EQ(target.arguments[0].type, VT_BOOL);
  EXPECT_EQ(target.arguments[0].flag, VARIANT_TRUE);

  target = RecordingIDispatch();
  target.answer.vt = VT_I2;
  target.answer.iVal = 6;
  EXPECT_EQ(caller->invoke(1, DispatchKind::PropertyGet, {}), DispatchValue{std::int32_t{6}});
  EXPECT_EQ(target.flags, DISPATCH_PROPERTYGET);
  EXPECT_TRUE(target.arguments.empty());
}

TEST(SkinDispatchCaller, AFailedCallBecomesAFailureWithReadableText) {
  RecordingIDispatch target;
  auto caller = dispatchCaller(&target);
  target.outcome = DISP_E_EXCEPTION;
  target.description = L"The skin is broken.";
  EXPECT_EQ(failureOf([&] { caller->invoke(2, DispatchKind::Method, {}); }),
            L"The skin is broken.");
  target.outcome = DISP_E_MEMBERNOTFOUND;
  const std::wstring text = failureOf([&] { caller->invoke(9, DispatchKind::Method, {}); });
  EXPECT_EQ(text.rfind(L"The call of member 9 of the skin framework failed: ", 0), 0u)
      << testing::narrow(text);
}

// --- the component behind IDispatch -------------------------------------------------------

struct ComponentCall {
  DISPID id;
  WORD flags;
  std::vector<VARIANT> arguments;  // as the caller writes them
  bool named = false;
};

// Calls the component's IDispatch directly.
HRESULT invokeDirectly(IDispatch& object, const ComponentCall& call, VARIANT* result = nullptr,
                       EXCEPINFO* exception = nullptr, UINT* argError = nullptr) {
  std::vector<VARIANT> reversed(call.arguments.rbegin(), call.arguments.rend());
  DISPID propertyValue = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), call.named ? &propertyValue : nullptr,
                    static_cast<UINT>(reversed.size()), call.named ? 1u : 0u};
  EXCEPINFO ignored{};
  UINT ignoredArg = 0;
  return object.Invoke(call.id, IID_NULL, LOCALE_USER_DEFAULT, call.flags, &params, result,
                       exception ? exception : &ignored, argError ? argError : &ignoredArg);
}

VARIANT i4(LONG value) {
  VARIANT v{};
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}

VARIANT boolean(bool value) {
  VARIANT v{};
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

struct ComponentTest : ::testing::Test {
  ComponentTest() : object(newSkinFrameworkObject()) {}
  ~ComponentTest() override { object->Release(); }
  IDispatch* object;
};

TEST_F(ComponentTest, PropertiesKeepWhatIsWrittenAndCheckHowTheyAreCalled) {
  VARIANT result{};
  ASSERT_EQ(invokeDirectly(*object, {1, DISPATCH_PROPERTYGET, {}}, &result), S_OK);
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, 0) << "no option bits to begin with";
  EXPECT_EQ(invokeDirectly(*object, {1, DISPATCH_PROPERTYPUT, {i4(6)}, true}), S_OK);
  ASSERT_EQ(invokeDirectly(*object, {1, DISPATCH_PROPERTYGET, {}}, &result), S_OK);
  EXPECT_EQ(result.lVal, 6);
  for (const DISPID id : {5, 10}) {
    EXPECT_EQ(invokeDirectly(*object, {id, DISPATCH_PROPERTYPUT, {boolean(true)}, true}), S_OK);
    ASSERT_EQ(invokeDirectly(*object, {id, DISPATCH_PROPERTYGET, {}}, &result), S_OK);
    EXPECT_EQ(result.vt, VT_BOOL);
    EXPECT_EQ(result.boolVal, VARIANT_TRUE) << id;
  }
  const std::pair<ComponentCall, HRESULT> wrong[] = {
      {{1, DISPATCH_PROPERTYPUT, {i4(1)}, false}, DISP_E_PARAMNOTFOUND},
      {{1, DISPATCH_PROPERTYGET, {i4(1)}}, DISP_E_BADPARAMCOUNT},
      {{1, DISPATCH_METHOD, {}}, DISP_E_MEMBERNOTFOUND},
      {{2, DISPATCH_METHOD, {i4(1)}}, DISP_E_BADPARAMCOUNT},
      {{3, DISPATCH_PROPERTYGET, {}}, DISP_E_MEMBERNOTFOUND},
      {{4, DISPATCH_METHOD, {}}, DISP_E_MEMBERNOTFOUND},
  };
  for (const auto& [call, expected] : wrong) {
    EXPECT_EQ(invokeDirectly(*object, call), expected) << call.id << " " << call.flags;
  }
}

TEST_F(ComponentTest, ArgumentsOfTheWrongTypeAndNamesAreRefused) {
  VARIANT text{};
  text.vt = VT_BSTR;
  text.bstrVal = ::SysAllocString(L"not a handle");
  UINT argError = 99;
  EXPECT_EQ(invokeDirectly(*object, {3, DISPATCH_METHOD, {text}}, nullptr, nullptr, &argError),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argError, 0u);
  ::VariantClear(&text);
  OLECHAR name[] = L"LoadSkin";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id),
            DISP_E_UNKNOWNNAME);
  EXPECT_EQ(id, DISPID_UNKNOWN);
}

TEST_F(ComponentTest, AFileThatCannotBeOpenedFailsTheLoadWithItsPathNamed) {
  ScratchFolder folder;
  auto caller = dispatchCaller(object);
  const std::wstring missing = folder.file(L"o.cjs");
  const std::wstring text = failureOf(
      [&] { caller->invoke(2, DispatchKind::Method, {missing, std::wstring()}); });
  EXPECT_EQ(text.rfind(L"The skin file \"" + missing + L"\" could not be opened.", 0), 0u)
      << testing::narrow(text);
}

// --- a window drawn in the skin's colours --------------------------------------------------

constexpr COLORREF kWindowColour = RGB(0x20, 0x40, 0x60);
constexpr COLORREF kFrameColour = RGB(0x30, 0x90, 0x30);
constexpr COLORREF kLabelColour = RGB(0xA0, 0x20, 0x20);
constexpr COLORREF kEditColour = RGB(0xF0, 0xE0, 0x10);
constexpr COLORREF kButtonColour = RGB(0x10, 0x10, 0xB0);
constexpr char kTestSkin[] =
    "[Quillmark Orvane Skin]\r\nVersion=1\r\nWindow=#204060\r\nFrame=#309030\r\n"
    "Label=#A02020\r\nText=#FFFFFF\r\nEdit=#F0E010\r\nEditText=#000000\r\n"
    "Button=#1010B0\r\nButtonText=#FFFFFF\r\n";

// A small window with one control of each kind the skin colours, white until
// skinned; it answers the loader as the main window does.
class SkinTestWindow final : public WindowBase, public SkinnableWindow {
 public:
  static constexpr POINT kOrigin{40, 40};

  SkinTestWindow()
      : WindowBase(uncaughtErrorReport(L"Form1")),
        skin_(createSkinFramework()), white_(::CreateSolidBrush(RGB(255, 255, 255))) {
    registerClass(L"QuillmarkOrvaneSkinTest", 0, ::LoadCursorW(nullptr, IDC_ARROW), nullptr);
    createWindow(WS_EX_TOPMOST, L"QuillmarkOrvaneSkinTest", L"Skin test",
                 WS_POPUP | WS_CLIPCHILDREN, kOrigin.x, kOrigin.y, 320, 200, nullptr, nullptr);
    frame_ = std::make_unique<FrameControl>(hwnd(), 1, L"Frame");
    ::MoveWindow(frame_->hwnd(), 10, 10, 300, 120, FALSE);
    label_ = child(L"STATIC", L"Label", SS_LEFT, frame_->hwnd(), 10, 30, 120, 20);
    check_ = child(L"BUTTON", L"Check", BS_3STATE, frame_->hwnd(), 10, 60, 120, 20);
    edit_ = child(L"EDIT", L"", 0, frame_->hwnd(), 150, 30, 120, 24);
    button_ = std::make_unique<PushButtonControl>(hwnd(), 2, L"Go");
    ::MoveWindow(button_->hwnd(), 10, 150, 300, 40, FALSE);
    ::ShowWindow(hwnd(), SW_SHOWNOACTIVATE);
  }
  ~SkinTestWindow() override {
    if (hwnd()) ::DestroyWindow(hwnd());
  }

  std::vector<ControlKind> controlKinds() override {
    return {ControlKind::Frame, ControlKind::Label, ControlKind::CheckBox, ControlKind::TextBox,
            ControlKind::PushButton};
  }
  void setControlBackColor(std::size_t index, Colour) override { recoloured.push_back(index); }
  void setBackColor(Colour) override {}
  std::int32_t windowHandle() override {
    return static_cast<std::int32_t>(reinterpret_cast<INT_PTR>(hwnd()));
  }
  DispatchObject& skinFramework() override { return *skin_; }

  // The colour on the screen at a point of a control's client area.
  static COLORREF pixelIn(HWND control, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(control, &p);
    return screenPixel(p.x, p.y);
  }
  COLORREF windowPixel() const { return pixelIn(hwnd(), 316, 140); }
  COLORREF framePixel() const { return pixelIn(frame_->hwnd(), 280, 100); }
  COLORREF labelPixel() const { return pixelIn(label_, 110, 10); }
  COLORREF editPixel() const { return pixelIn(edit_, 100, 10); }
  COLORREF buttonPixel() const { return pixelIn(button_->hwnd(), 8, 20); }

  std::vector<std::size_t> recoloured;

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    switch (message) {
      case WM_ERASEBKGND: {
        RECT client{};
        ::GetClientRect(hwnd(), &client);
        ::FillRect(reinterpret_cast<HDC>(wParam), &client, white_.get());
        return 1;
      }
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLORBTN:
        ::SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(white_.get());
      default:
        return defaultHandling(message, wParam, lParam);
    }
  }

 private:
  static HWND child(const wchar_t* kind, const wchar_t* text, DWORD style, HWND parent, int x,
                    int y, int width, int height) {
    return ::CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                             parent, nullptr, programInstance(), nullptr);
  }

  std::unique_ptr<DispatchObject> skin_;
  UniqueBrush white_;
  std::unique_ptr<FrameControl> frame_;
  std::unique_ptr<PushButtonControl> button_;
  HWND label_ = nullptr;
  HWND check_ = nullptr;
  HWND edit_ = nullptr;
};

TEST(SkinnedWindow, AfterTheSixCallsTheWindowShowsTheSkinsColours) {
  const LiveHandles before;
  {
    ScratchFolder folder;
    ::CreateDirectoryW(folder.file(L"x").c_str(), nullptr);
    ASSERT_TRUE(writeWholeFile(folder.file(L"x\\o.cjs"), bytesOf(kTestSkin)));
    SkinTestWindow window;
    ASSERT_TRUE(pumpUntil([&] { return window.windowPixel() == RGB(255, 255, 255); }));
    HeadlessApplication app;
    app.folder = folder.path();
    Win32FileSystem files;
    LoadSkin(app, files, window);
    EXPECT_EQ(window.recoloured, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_TRUE(pumpUntil([&] { return window.windowPixel() == kWindowColour; }));
    EXPECT_EQ(window.framePixel(), kFrameColour);
    EXPECT_EQ(window.labelPixel(), kLabelColour);
    EXPECT_EQ(window.editPixel(), kEditColour);
    EXPECT_EQ(window.buttonPixel(), kButtonColour);
    ::DeleteFileW(folder.file(L"x\\o.cjs").c_str());
    ::RemoveDirectoryW(folder.file(L"x").c_str());
  }
  EXPECT_EQ(LiveHandles(), before) << "the skin's brushes go with its window";
}

TEST(SkinnedWindow, WithoutTheOptionsOnlyTheWindowItselfIsSkinned) {
  ScratchFolder folder;
  ASSERT_TRUE(writeWholeFile(folder.file(L"o.cjs"), bytesOf(kTestSkin)));
  SkinTestWindow window;
  ASSERT_TRUE(pumpUntil([&] { return window.windowPixel() == RGB(255, 255, 255); }));
  window.skinFramework().invoke(2, DispatchKind::Method, {folder.file(L"o.cjs"), std::wstring()});
  window.skinFramework().invoke(3, DispatchKind::Method, {window.windowHandle()});
  EXPECT_TRUE(pumpUntil([&] { return window.windowPixel() == kWindowColour; }));
  EXPECT_EQ(window.framePixel(), RGB(255, 255, 255));
  EXPECT_EQ(window.labelPixel(), RGB(255, 255, 255));
  EXPECT_EQ(window.buttonPixel(), RGB(255, 255, 255));
}

TEST(SkinnedWindow, AFileOfAnotherFormatIsIgnoredWithoutAWord) {
  ScratchFolder folder;
  ASSERT_TRUE(writeWholeFile(folder.file(L"o.cjs"), bytesOf("PK\x03\x04 not ours")));
  SkinTestWindow window;
  ASSERT_TRUE(pumpUntil([&] { return window.windowPixel() == RGB(255, 255, 255); }));
  window.skinFramework().invoke(2, DispatchKind::Method, {folder.file(L"o.cjs"), std::wstring()});
  window.skinFramework().invoke(3, DispatchKind::Method, {window.windowHandle()});
  testing::pumpMessages();
  EXPECT_EQ(window.windowPixel(), RGB(255, 255, 255));
}

// --- the directory search -----------------------------------------------------------------

TEST(Win32FileSystemFindEntry, ReportsFoldersAndAttributesOfExactlyTheNamedEntry) {
  ScratchFolder folder;
  const std::pair<const wchar_t*, DWORD> entries[] = {
      {L"plain.cjs", FILE_ATTRIBUTE_NORMAL},    {L"hidden.cjs", FILE_ATTRIBUTE_HIDDEN},
      {L"system.cjs", FILE_ATTRIBUTE_SYSTEM},   {L"readonly.cjs", FILE_ATTRIBUTE_READONLY},
      {L"archive.cjs", FILE_ATTRIBUTE_ARCHIVE},
  };
  for (const auto& [name, attributes] : entries) {
    ASSERT_TRUE(writeWholeFile(folder.file(name), {}));
    ::SetFileAttributesW(folder.file(name).c_str(), attributes);
  }
  ::CreateDirectoryW(folder.file(L"o.cjs").c_str(), nullptr);
  Win32FileSystem files;
  using E = DirectoryEntry;
  const std::pair<const wchar_t*, std::optional<E>> expected[] = {
      {L"plain.cjs", E{}},
      {L"hidden.cjs", E{.hidden = true}},
      {L"system.cjs", E{.system = true}},
      {L"readonly.cjs", E{}},
      {L"archive.cjs", E{}},
      {L"o.cjs", E{.folder = true}},
      {L"missing.cjs", std::nullopt},
      {L"plain.*", std::nullopt},
      {L"plain.cj?", std::nullopt},
  };
  for (const auto& [name, entry] : expected) {
    const auto found = files.findEntry(folder.file(name));
    ASSERT_EQ(found.has_value(), entry.has_value()) << testing::narrow(name);
    if (!found) continue;
    EXPECT_EQ(found->folder, entry->folder) << testing::narrow(name);
    EXPECT_EQ(found->hidden, entry->hidden) << testing::narrow(name);
    EXPECT_EQ(found->system, entry->system) << testing::narrow(name);
  }
  ::RemoveDirectoryW(folder.file(L"o.cjs").c_str());
}

// --- the cursor file ------------------------------------------------------------------------

TEST(CursorFile, TheShippedHandLoadsAsA32PixelCursorWithItsHotspotAtTheFingertip) {
  const UniqueCursor cursor = loadCursorFile(besideTheTests(L"HAND-M.CUR"));
  ASSERT_TRUE(cursor);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(cursor.get(), &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 9u);
  EXPECT_EQ(info.yHotspot, 1u);
  BITMAP mask{};
  ::GetObjectW(info.hbmMask, sizeof mask, &mask);
  EXPECT_EQ(mask.bmWidth, 32);
  if (info.hbmColor) ::DeleteObject(info.hbmColor);
  ::DeleteObject(info.hbmMask);
}

TEST(CursorFile, FilesThatAreNoCursorFailInOurOwnWords) {
  const std::vector<std::uint8_t> hand = readWholeFile(besideTheTests(L"HAND-M.CUR"));
  ASSERT_GT(hand.size(), 100u);
  std::vector<std::uint8_t> icon = hand;
  icon[2] = 1;
  const std::pair<const char*, std::vector<std::uint8_t>> bad[] = {
      {"empty", {}},
      {"truncated", std::vector<std::uint8_t>(hand.begin(), hand.begin() + 100)},
      {"an icon", icon},
      {"a PNG", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'}},
      {"a BMP", {'B', 'M', 58, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0}},
      {"an animated cursor", bytesOf(std::string_view("RIFF\x24\0\0\0ACONanih", 16))},
  };
  ScratchFolder folder;
  for (const auto& [what, bytes] : bad) {
    ASSERT_TRUE(writeWholeFile(folder.file(L"HAND-M.CUR"), bytes));
    EXPECT_EQ(failureOf([&] { loadCursorFile(folder.file(L"HAND-M.CUR")); }),
              L"HAND-M.CUR could not be read as a cursor.")
        << what;
  }
}

}  // namespace
}  // namespace qo::win32
