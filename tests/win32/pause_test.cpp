// The pause on the real clock: it must never end early, whatever the rounding of
// the clock's single-precision readings.
#include <gtest/gtest.h>

#include "base/shared_services.h"
#include "platform/win32/services_win32.h"

namespace qo::win32 {
namespace {

double secondsBetween(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency{};
  ::QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

TEST(PauseOnTheRealClock, NeverReturnsBeforeItsTime) {
  Win32Clock clock;
  Win32EventPump events;
  for (int i = 0; i < 40; ++i) {
    LARGE_INTEGER start{}, end{};
    ::QueryPerformanceCounter(&start);
    Pause(clock, events, 0.05);
    ::QueryPerformanceCounter(&end);
    // The clock is single precision: at this time of day its readings step by up
    // to 1/256 s, so a pause may end that much before its time, but no more.
    EXPECT_GE(secondsBetween(start, end), 0.045) << "pause " << i;
  }
}

TEST(PauseOnTheRealClock, ReadingsDoNotGoBackwardsWithinASecond) {
  Win32Clock clock;
  float previous = clock.secondsSinceMidnight();
  for (int i = 0; i < 200000; ++i) {
    const float now = clock.secondsSinceMidnight();
    if (now < previous && previous - now < 43200.0f) {
      FAIL() << "clock went back from " << previous << " to " << now;
    }
    previous = now;
  }
}

}  // namespace
}  // namespace qo::win32
