// The main window's contract, against the real Win32 window.
#include "contract/main_window_contract.h"
#include "platform/win32/main_window_win32.h"
#include "win32_test_support.h"

namespace qo::contract {
namespace {

struct Win32Maker {
  static std::unique_ptr<MainWindow> make() { return std::make_unique<win32::Win32MainWindow>(); }
  static void settle() { win32::testing::pumpMessages(1); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, MainWindowContract, Win32Maker);

}  // namespace
}  // namespace qo::contract
