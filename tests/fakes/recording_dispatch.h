#pragma once

#include <functional>
#include <vector>

#include "base/skin.h"

namespace qo {

// A component that records every call made to it by dispatch id.
class RecordingDispatch final : public DispatchObject {
 public:
  struct Call {
    std::int32_t id;
    DispatchKind kind;
    std::vector<DispatchValue> args;
  };
  DispatchValue invoke(std::int32_t id, DispatchKind kind,
                       std::vector<DispatchValue> args) override;

  std::vector<Call> calls;
  // Answers a call; by default every call answers an empty value.
  std::function<DispatchValue(const Call&)> answer;
};

}  // namespace qo
