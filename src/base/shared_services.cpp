#include "base/shared_services.h"

#include <cmath>

#include "base/failure.h"

namespace qo {

bool FileExists(FileSystem& files, std::wstring path) noexcept {
  try {
    files.lastChangeTime(path);
    return true;
  } catch (...) {
    return false;
  }
}

double elapsedSince(float start, float now) {
  // The clock is single precision; the sum is taken in single precision as well,
  // so an elapsed time reads the same as the clock values it came from.
  if (now < start) return static_cast<double>(now + kSecondsPerDay - start);
  return static_cast<double>(now - start);
}

void Pause(Clock& clock, EventPump& events, double seconds) {
  // An endless length is no number of seconds either: such a pause would never end.
  if (std::isnan(seconds) || (std::isinf(seconds) && seconds > 0)) {
    throw Failure(L"The length of a pause must be a number of seconds.");
  }
  const float start = clock.secondsSinceMidnight();
  while (elapsedSince(start, clock.secondsSinceMidnight()) < seconds) {
    events.doEvents();
  }
}

std::wstring pathInFolder(const std::wstring& folder, std::wstring_view name) {
  std::wstring path = folder;
  if (path.empty() || path.back() != L'\\') path += L'\\';
  path += name;
  return path;
}

std::optional<std::wstring> handPointerBesideProgram(Application& app, FileSystem& files) {
  std::wstring path = pathInFolder(app.programFolder(), L"HAND-M.CUR");
  if (!FileExists(files, path)) return std::nullopt;
  return path;
}

}  // namespace qo
