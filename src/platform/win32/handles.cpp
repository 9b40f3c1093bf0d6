#include "platform/win32/handles.h"

#include <new>

#ifdef QO_HANDLE_COUNTS

namespace qo::win32 {

namespace {

constexpr int kKinds = static_cast<int>(HandleKind::Count);
static_assert(sizeof(std::atomic<long>) == 4 && std::atomic<long>::is_always_lock_free,
              "the section holds plain 32-bit counts");

// Where the counts go when the section cannot be had: they are still counted.
std::atomic<long> unpublishedCounts[kKinds] = {};

// The section is the process's own for its whole life; it is never closed.
std::atomic<long>* publishCounts() {
  const DWORD bytes = sizeof(std::atomic<long>) * kKinds;
  const HANDLE section =
      ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, bytes,
                           handleCountsSectionName(::GetCurrentProcessId()).c_str());
  if (!section) return unpublishedCounts;
  void* view = ::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, bytes);
  if (!view) {
    ::CloseHandle(section);
    return unpublishedCounts;
  }
  auto* counts = static_cast<std::atomic<long>*>(view);
  for (int kind = 0; kind < kKinds; ++kind) new (counts + kind) std::atomic<long>(0);
  return counts;
}

}  // namespace

std::atomic<long>* HandleCounts::counts() {
  static std::atomic<long>* const counts = publishCounts();
  return counts;
}

long HandleCounts::liveOf(bool (*counted)(HandleKind)) {
  long sum = 0;
  for (int kind = 0; kind < kKinds; ++kind) {
    if (counted(static_cast<HandleKind>(kind))) sum += counts()[kind].load();
  }
  return sum;
}

}  // namespace qo::win32

#endif  // QO_HANDLE_COUNTS
