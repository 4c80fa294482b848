// Runs that meet a failing file system or files changed under their feet: each
// ends with the failure's message, and keeps what it wrote before.
#include <unistd.h>

#include "run_fixture.h"
#include "support/io_error.h"

namespace s2v {
namespace {

using FaultTest = RunTest;

const Lines kProject = {"SPSSDATA", "2", "SEX 1 2", "AGE 18 30 99"};

// The failure that ended a run, as the front ends show it.
std::string FailureOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const IoError& error) {
    return std::to_string(error.code()) + " " + error.what();
  }
  return "no failure";
}

// An output name that is a link is not written through: the run ends with
// "File access denied." naming it and keeps what it wrote before. (A full disk
// is met in the batch program's tests, on a small file system of its own.)
TEST_F(FaultTest, AnOutputThatIsALinkIsRefused) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  WriteInput("SPSSDATA.TXT", kOlderExport);
  fs::create_symlink("/dev/full", At("PROJ.CAT"));
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "5 File access denied. (PROJ.CAT)");
  EXPECT_EQ(Read("PROJ.DAT"), "1 1 23 1500.5\r\n2 2 45 -999\r\n3 -999 67 9000\r\n");
  EXPECT_EQ(Read("PROJ.DEF"), "4\r\nFILES\r\nD PROJ.DAT\r\n");
  EXPECT_TRUE(fs::exists(At("PROJ.VAR")));
  EXPECT_TRUE(fs::is_symlink(At("PROJ.CAT")));
  // The project text file keeps its header, written before the refusal.
  EXPECT_EQ(Read("PROJ.TXT"), "Variables transferred from SPSSDATA:\r\n\r\n");
  EXPECT_TRUE(tk.shown.empty());
}

TEST_F(FaultTest, ALinkOutOfTheFolderIsNotWrittenThroughInAnyLetterCase) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  // The fixture checks that the file outside the folder is unchanged.
  fs::create_symlink(root_ / kOutsideFile, At("proj.lab"));
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "5 File access denied. (proj.lab)");
  EXPECT_FALSE(fs::exists(At("PROJ.DEF")));
}

TEST_F(FaultTest, InputRemovedBetweenSteps) {
  // The label file, after the copy wrote it and before its names are read.
  WriteInput("SPSSDATA.DAT", kSpssData);
  tk.onReport = [this](const std::string& line) {
    if (line == "3 cases found on spss file") fs::remove(At("PROJ.LAB"));
  };
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "2 File not found.");
  EXPECT_TRUE(fs::exists(At("PROJ.DAT")));
  EXPECT_FALSE(fs::exists(At("PROJ.DEF")));

  // The File Info export, after its layout was read.
  Write("SPSSDATA.TXT", "Variable Information\r\n| SEX | 2 | Sex |\r\n");
  tk.onReport = [this](const std::string& line) {
    if (line == "SPSS File Info version 13 or later") fs::remove(At("SPSSDATA.TXT"));
  };
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "2 File not found.");
  EXPECT_TRUE(fs::exists(At("PROJ.VAR")));
  EXPECT_FALSE(fs::exists(At("PROJ.CAT")));
  EXPECT_TRUE(tk.shown.empty());
}

TEST_F(FaultTest, InputsTruncatedBetweenStepsAreReadAsTheyNowStand) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  Write("SPSSDATA.TXT", "Variable Information\r\nVariable Values\r\n| SEX | 1 | Male |\r\n| ----- |\r\n");
  tk.onReport = [this](const std::string& line) {
    if (line == "SPSS File Info version 13 or later") fs::resize_file(At("SPSSDATA.TXT"), 22);
  };
  ASSERT_EQ(Run(kProject), RunOutcome::Completed);
  EXPECT_EQ(Read("PROJ.CAT"), "A 1 1\r\nA 2 2\r\nB 1 18 - 30\r\nB 2 31 - 99\r\n");

  // The label file emptied after the copy: no project variable is found.
  tk.onReport = [this](const std::string& line) {
    if (line == "3 cases found on spss file") fs::resize_file(At("PROJ.LAB"), 0);
  };
  EXPECT_EQ(Run(kProject), RunOutcome::Stopped);
  EXPECT_EQ(Lines(tk.report.end() - 3, tk.report.end()), (Lines{"", "AGE not found", ""}));
}

TEST_F(FaultTest, ABrokenVornexDataFileEndsTheTransfers) {
  struct Case {
    std::string data;  // the VORNEX data file as the transfers find it
    std::string failure;
  } cases[] = {
      {"1 1 23 1500.5\r\n2 2 4x5 -999\r\n3 -999 67 9000\r\n", "106 Invalid numeric input."},
      {"1 1 23 1500.5\r\n2 2 45 -999\r\n3 -999\r\n", "100 Read beyond end of file."},
      {"", "100 Read beyond end of file."},
  };
  WriteInput("SPSSDATA.DAT", kSpssData);
  WriteInput("SPSSDATA.TXT", kOlderExport);
  tk.choices[0] = 1;
  tk.choices[2] = 1;
  for (const Case& c : cases) {
    tk.shown.clear();
    tk.onReport = [&](const std::string& line) {
      if (line == "DEF, DAT and VAR files are ready. The CAT file will be created.") Write("PROJ.DAT", c.data);
    };
    EXPECT_EQ(FailureOf([&] { Run(kProject); }), c.failure);
    EXPECT_EQ(tk.shown, (Lines{"info: VORNEX files are ready", "info: Mplus project file ready"}));
    EXPECT_EQ(Read("PROJ.CAT"), "A 1 MALE\r\nA 2 FEMALE\r\nB 1 18 - 30\r\nB 2 31 - 99\r\n");
    EXPECT_TRUE(fs::exists(At("PROJ.inp")));
    EXPECT_FALSE(fs::exists(At("PROJ.mln")));
  }

  tk.onReport = [this](const std::string& line) {
    if (line == "DEF, DAT and VAR files are ready. The CAT file will be created.") fs::remove(At("PROJ.DAT"));
  };
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "2 File not found.");
}

TEST_F(FaultTest, AFolderThatCannotBeWritten) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind root; the batch test covers this as another user";
  WriteInput("SPSSDATA.DAT", kSpssData);
  fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
  std::string failure = FailureOf([&] { Run(kProject); });
  fs::permissions(folder_, fs::perms::owner_all);
  EXPECT_EQ(failure, "5 File access denied.");
}

}  // namespace
}  // namespace s2v
