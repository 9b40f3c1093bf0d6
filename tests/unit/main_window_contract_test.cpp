// The main window's contract, against the headless window.
#include "contract/main_window_contract.h"
#include "platform/headless/headless_main_window.h"

namespace qo::contract {
namespace {

struct HeadlessMaker {
  static std::unique_ptr<MainWindow> make() { return std::make_unique<HeadlessMainWindow>(); }
  static void settle() {}
};

INSTANTIATE_TYPED_TEST_SUITE_P(Headless, MainWindowContract, HeadlessMaker);

}  // namespace
}  // namespace qo::contract
