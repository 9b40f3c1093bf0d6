#include "platform/win32/skin_framework_win32.h"

#include "base/failure.h"

namespace qo::win32 {

namespace {

class MissingSkinFramework final : public DispatchObject {
 public:
  DispatchValue invoke(std::int32_t, DispatchKind, std::vector<DispatchValue>) override {
    throw Failure(L"The skin framework component is not available.");
  }
};

}  // namespace

std::unique_ptr<DispatchObject> createSkinFramework() {
  return std::make_unique<MissingSkinFramework>();
}

}  // namespace qo::win32
