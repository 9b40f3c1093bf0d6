#include "fakes/recording_dispatch.h"

namespace qo {

DispatchValue RecordingDispatch::invoke(std::int32_t id, DispatchKind kind,
                                        std::vector<DispatchValue> args) {
  calls.push_back({id, kind, std::move(args)});
  return answer ? answer(calls.back()) : DispatchValue{};
}

}  // namespace qo
