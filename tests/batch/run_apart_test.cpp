// Work in a child process of the batch program: its status when it returns,
// and when a signal ends it, the removal of the files it had begun.
#include "batch/run_apart.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

#include "batch/console_toolkit.h"
#include "run_fixture.h"

namespace s2v {
namespace {

using RunApartTest = RunTest;

TEST_F(RunApartTest, TheWorksStatusComesBackAndAFailureIsAnInputOutputFailure) {
  EXPECT_EQ(RunApart(folder, [](const PassingNote&) { return 7; }).status, 7);
  EXPECT_FALSE(RunApart(folder, [](const PassingNote&) { return 0; }).signal.has_value());
  const ApartOutcome thrown = RunApart(folder, [](const PassingNote&) -> int { throw std::runtime_error("boom"); });
  EXPECT_EQ(thrown.status, 2);
  EXPECT_FALSE(thrown.signal.has_value());
}

TEST_F(RunApartTest, AChildEndedByASignalLeavesNoneOfTheFilesItNoted) {
  Write("kept.DAT", "an earlier file");
  const ApartOutcome outcome = RunApart(folder, [&](const PassingNote& note) {
    Write("s.DAT.a1b2c3.s2v.part", "half");
    note("s.DAT.a1b2c3.s2v.part");
    Write("s.TXT.d4e5f6.s2v.part", "");
    note("s.TXT.d4e5f6.s2v.part");
    note("../outside.txt");
    std::raise(SIGKILL);
    return 0;
  });
  ASSERT_TRUE(outcome.signal.has_value());
  EXPECT_EQ(*outcome.signal, SIGKILL);
  EXPECT_EQ(Files(), Lines{"kept.DAT"});
}

// Waits up to ten seconds for the child's own stop flag.
bool StopReachedTheChild() {
  for (int i = 0; i < 1000 && !InterruptRequested(); ++i) usleep(10000);
  return InterruptRequested();
}

// A stop signal to the program is passed on to the work, which ends at its
// next step; a second one ends the child at once. The program outlives both.
TEST_F(RunApartTest, StopSignalsToTheProgramEndTheChildAndNotTheProgram) {
  InstallInterruptHandlers();
  const ApartOutcome stopped = RunApart(folder, [](const PassingNote&) {
    kill(getppid(), SIGTERM);
    return StopReachedTheChild() ? 130 : 0;
  });
  EXPECT_EQ(stopped.status, 130);
  EXPECT_TRUE(stopped.stopAsked);
  EXPECT_FALSE(stopped.signal.has_value());

  const ApartOutcome ended = RunApart(folder, [&](const PassingNote& note) {
    Write("s.DAT.a1b2c3.s2v.part", "half");
    note("s.DAT.a1b2c3.s2v.part");
    kill(getppid(), SIGINT);
    if (StopReachedTheChild()) kill(getppid(), SIGHUP);
    sleep(10);
    return 0;
  });
  EXPECT_EQ(ended.signal, std::optional<int>(SIGKILL));
  EXPECT_TRUE(ended.stopAsked);
  EXPECT_EQ(Files(), Lines{});
  EXPECT_FALSE(InterruptRequested());
  EXPECT_FALSE(RunApart(folder, [](const PassingNote&) { return 0; }).stopAsked);
}

}  // namespace
}  // namespace s2v
