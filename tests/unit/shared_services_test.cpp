#include "base/shared_services.h"

#include <gtest/gtest.h>

#include <limits>

#include "base/failure.h"

#include "fakes/headless_platform.h"

namespace qo {
namespace {

TEST(FileExists, TrueOnlyWhenTheLastChangeTimeCanBeRead) {
  MemoryFileSystem files;
  files.addFolder(L"C:\\pics");
  files.setFile(L"C:\\pics\\HAND-M.CUR", {1, 2, 3});
  EXPECT_TRUE(FileExists(files, L"C:\\pics\\HAND-M.CUR"));
  EXPECT_TRUE(FileExists(files, L"C:\\pics"));
  EXPECT_FALSE(FileExists(files, L"C:\\pics\\missing.cur"));
  EXPECT_FALSE(FileExists(files, L""));
  EXPECT_FALSE(FileExists(files, L"Q:\\HAND-M.CUR"));
}

struct ElapsedCase {
  float start;
  float now;
  double expected;
};

class Elapsed : public testing::TestWithParam<ElapsedCase> {};

TEST_P(Elapsed, WrapsAtMidnight) {
  EXPECT_NEAR(elapsedSince(GetParam().start, GetParam().now), GetParam().expected, 1e-2);
}

INSTANTIATE_TEST_SUITE_P(Cases, Elapsed,
                         testing::Values(ElapsedCase{100.0f, 100.5f, 0.5},
                                         ElapsedCase{86399.8f, 0.3f, 0.5},
                                         ElapsedCase{86399.8f, 86399.9f, 0.1},
                                         ElapsedCase{0.0f, 0.0f, 0.0}));

TEST(Pause, ZeroOrLessReturnsAtOnceWithoutDeliveringEvents) {
  for (double seconds : {0.0, -1.0}) {
    ManualClock clock;
    clock.stepPerReading = 0.01f;
    CountingEventPump events;
    Pause(clock, events, seconds);
    EXPECT_EQ(events.calls, 0) << seconds;
    EXPECT_EQ(clock.readings, 2) << "start value and one test";
  }
}

TEST(Pause, ALengthThatIsNoNumberFailsBeforeAnyEventIsDelivered) {
  // An endless length counts as no number too: the pause would never end.
  for (double seconds : {std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity()}) {
    ManualClock clock;
    clock.stepPerReading = 0.01f;
    CountingEventPump events;
    EXPECT_THROW(Pause(clock, events, seconds), Failure) << seconds;
    EXPECT_EQ(events.calls, 0) << seconds;
  }
}

TEST(Pause, HalfASecondDeliversEventsUntilThePauseHasPassed) {
  ManualClock clock;
  clock.now = 1000.0f;
  clock.stepPerReading = 0.125f;
  CountingEventPump events;
  Pause(clock, events, 0.5);
  // Readings at 1000 (start), .125, .25, .375 deliver; .5 ends the pause.
  EXPECT_EQ(events.calls, 3);
  EXPECT_FLOAT_EQ(clock.now, 1000.625f);
}

TEST(Pause, StartedJustBeforeMidnightEndsJustAfterIt) {
  ManualClock clock;
  clock.now = 86399.75f;  // 0.25 s before midnight; exactly representable
  clock.stepPerReading = 0.0625f;
  CountingEventPump events;
  Pause(clock, events, 0.5);
  // The pause ends at the first reading at or past 0.25 s after midnight, having
  // delivered events after each of the seven readings before it.
  EXPECT_FLOAT_EQ(clock.now - 0.0625f, 0.25f);
  EXPECT_EQ(events.calls, 7);
}

TEST(Pause, EachNestedPauseKeepsItsOwnStart) {
  ManualClock clock;
  clock.stepPerReading = 0.1f;
  CountingEventPump events;
  int nested = 0;
  events.onEvents = [&] {
    if (nested++ == 0) Pause(clock, events, 0.3);
  };
  const float start = clock.now;
  Pause(clock, events, 0.5);
  EXPECT_GE(clock.now - start, 0.5f);
  EXPECT_GT(nested, 1);
}

}  // namespace
}  // namespace qo
