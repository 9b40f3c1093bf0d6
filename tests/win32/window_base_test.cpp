// The boundary where window messages enter our code: what a handler without a
// guard throws, and a window whose building fails half-way.
#include <gtest/gtest.h>

#include <string>

#include "base/error_report.h"
#include "base/failure.h"
#include "dialog_answer.h"
#include "platform/win32/services_win32.h"
#include "platform/win32/window_class.h"
#include "win32_test_support.h"

namespace qo::win32 {
namespace {

using testing::LiveHandles;

constexpr wchar_t kTestClass[] = L"QuillmarkOrvaneTestWindow";
constexpr UINT kFailingMessage = WM_APP + 1;
constexpr UINT kAnsweredMessage = WM_APP + 2;

// A small top-level window whose handling of one message throws, and whose
// building can be made to fail after its window exists.
class FailingWindow final : public WindowBase {
 public:
  explicit FailingWindow(bool failWhileBuilding) : WindowBase(uncaughtErrorReport(L"Form1")) {
    registerClass(kTestClass, 0, nullptr, nullptr);
    createWindow(0, kTestClass, L"", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr);
    lastBuilt = hwnd();
    if (failWhileBuilding) throw Failure(L"The rest of the window could not be built.");
  }
  ~FailingWindow() override {
    if (hwnd()) ::DestroyWindow(hwnd());
  }

  inline static HWND lastBuilt = nullptr;

 protected:
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
    if (message == kFailingMessage) throw Failure(L"A control could not be found.");
    if (message == kAnsweredMessage) return 42;
    return defaultHandling(message, wParam, lParam);
  }
};

TEST(WindowProcedureBoundary, AFailureWithoutAGuardIsReportedAndTheProgramGoesOn) {
  FailingWindow window(false);
  std::wstring report;
  testing::DialogAnswer answer(std::wstring(kErrorReportTitle), [&](HWND box) {
    report = testing::controlText(::GetDlgItem(box, 0xFFFF));
    testing::press(box, IDOK);
  });
  EXPECT_EQ(::SendMessageW(window.hwnd(), kFailingMessage, 0, 0), 0);
  ASSERT_TRUE(answer.finish()) << "no error report was shown";
  // With no numbered statement, the report names the window procedure and the message.
  EXPECT_EQ(report, errorReportText(L"A control could not be found.",
                                    L"in QuillmarkOrvane2021/08/31.Form1.WindowProc ",
                                    static_cast<int>(kFailingMessage)))
      << testing::narrow(report);
  EXPECT_EQ(::SendMessageW(window.hwnd(), kAnsweredMessage, 0, 0), 42) << "the window goes on";
}

TEST(WindowProcedureBoundary, AWindowWhoseBuildingFailsIsDestroyedCompletely) {
  const LiveHandles start;
  EXPECT_THROW(FailingWindow(true), Failure);
  const HWND left = FailingWindow::lastBuilt;
  const bool leftBehind = ::IsWindow(left);
  if (leftBehind) {  // its object is gone: keep every later message away from it
    ::SetWindowLongPtrW(left, GWLP_USERDATA, 0);
    ::DestroyWindow(left);
  }
  EXPECT_FALSE(leftBehind) << "a window is left whose object was freed";
  EXPECT_EQ(LiveHandles(), start);
}

}  // namespace
}  // namespace qo::win32
