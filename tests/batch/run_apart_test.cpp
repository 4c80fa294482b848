// Work in a child process of the batch program: its status when it returns,
// and when a signal ends it, the removal of the files it had begun.
#include "batch/run_apart.h"

#include <gtest/gtest.h>

#include <csignal>
#include <stdexcept>

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
    Write("s.DAT.a1b2c3.part", "half");
    note("s.DAT.a1b2c3.part");
    Write("s.TXT.d4e5f6.part", "");
    note("s.TXT.d4e5f6.part");
    note("../outside.txt");
    std::raise(SIGKILL);
    return 0;
  });
  ASSERT_TRUE(outcome.signal.has_value());
  EXPECT_EQ(*outcome.signal, SIGKILL);
  EXPECT_EQ(Files(), Lines{"kept.DAT"});
}

}  // namespace
}  // namespace s2v
