#include "platform/win32/handles.h"

namespace qo::win32 {

std::atomic<long> HandleCounts::counts_[static_cast<int>(HandleKind::Count)] = {};

long HandleCounts::liveGdi() {
  return live(HandleKind::Dc) + live(HandleKind::WindowDc) + live(HandleKind::Bitmap) +
         live(HandleKind::Pen) + live(HandleKind::Brush) + live(HandleKind::Font);
}

long HandleCounts::liveUser() {
  return live(HandleKind::Window) + live(HandleKind::Cursor) + live(HandleKind::Icon);
}

}  // namespace qo::win32
