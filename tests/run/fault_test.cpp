// Runs that meet a failing file system or files changed under their feet: each
// ends with the failure's message, and keeps what it wrote before.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

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

TEST_F(FaultTest, AnOutputNeverReplacesAnInputUnderAnotherName) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  WriteInput("SPSSDATA.TXT", kOlderExport);
  // The definition saved under a name of the project's own files, as the
  // front end marks it, and the SPSS data linked under the data file's name.
  WriteInput("proj.VAR", "SPSSDATA\r\n2\r\nSEX 1 2\r\nAGE 18 30 99\r\n");
  folder.ProtectInput("proj.VAR");
  EXPECT_EQ(Run(kProject), RunOutcome::Stopped);
  EXPECT_EQ(tk.report.back(), "PROJ.VAR would replace the input file proj.VAR");

  fs::remove(At("proj.VAR"));
  inputs_.erase(At("proj.VAR"));
  fs::create_hard_link(At("SPSSDATA.DAT"), At("PROJ.DAT"));
  EXPECT_EQ(Run(kProject), RunOutcome::Stopped);
  EXPECT_EQ(tk.report.back(), "PROJ.DAT would replace the input file SPSSDATA.DAT");
  fs::remove(At("PROJ.DAT"));
  fs::create_symlink("SPSSDATA.TXT", At("PROJ.TXT"));
  EXPECT_EQ(Run(kProject), RunOutcome::Stopped);
  EXPECT_EQ(tk.report.back(), "PROJ.TXT would replace the input file SPSSDATA.TXT");
  EXPECT_EQ(Files(), (Lines{"PROJ.TXT", "SPSSDATA.DAT", "SPSSDATA.TXT"}));
}

TEST_F(FaultTest, OnlyRegularFilesAreReadNeverWaitedFor) {
  // A FIFO would block its opener until a writer came; a device never ends.
  ASSERT_EQ(mkfifo(At("SPSSDATA.DAT").c_str(), 0600), 0);
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "5 File access denied. (SPSSDATA.DAT)");
  fs::remove(At("SPSSDATA.DAT"));
  fs::create_symlink("/dev/zero", At("SPSSDATA.DAT"));
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "5 File access denied. (SPSSDATA.DAT)");
  fs::remove(At("SPSSDATA.DAT"));
  fs::create_directory(At("SPSSDATA.DAT"));
  tk.answers = {"No"};  // a folder is no data file: the run offers to find it
  EXPECT_EQ(Run(kProject), RunOutcome::Stopped);
  EXPECT_EQ(Files(), (Lines{"SPSSDATA.DAT"}));
}

TEST_F(FaultTest, AStopEndsTheCopyAtAWholeCase) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  int asked = 0;
  tk.stopWhen = [&] { return ++asked == 2; };
  EXPECT_EQ(Run(kProject), RunOutcome::Interrupted);
  EXPECT_EQ(Read("PROJ.DAT"), "1 1 23 1500.5\r\n2 2 45 -999\r\n");
  EXPECT_EQ(Read("PROJ.LAB"), "ID\r\nSEX\r\nAGE\r\nINCOME\r\n");
  EXPECT_EQ(tk.report.back(), "Run stopped at case 2");
  EXPECT_EQ(Files(), (Lines{"PROJ.DAT", "PROJ.LAB", "SPSSDATA.DAT"}));
}

TEST_F(FaultTest, AStopEndsEachTransferAtAWholeCase) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  WriteInput("SPSSDATA.TXT", kOlderExport);
  shell.MplusSeed = 1;
  struct Case {
    int mplus, mlwin;
    int stopAt;  // the copy asks after each of its 3 cases, a transfer before each of its cases
    const char* file;
    int casesWritten;
  } cases[] = {
      {1, 0, 3 + 2, "PROJ.mpd", 1},
      {0, 1, 3 + 3, "PROJ.mln", 2},
      // Both data files in one pass: the stop comes during the Mplus data, and
      // the MLwiN data written beside it are removed.
      {1, 1, 3 + 3, "PROJ.mpd", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + std::to_string(c.mlwin));
    for (const std::string& name : Files())
      if (name.rfind("PROJ.", 0) == 0) fs::remove(At(name));
    tk = ScriptedToolkit();
    tk.choices[0] = c.mplus;
    tk.choices[2] = c.mlwin;
    int asked = 0;
    tk.stopWhen = [&] { return ++asked == c.stopAt; };
    EXPECT_EQ(Run(kProject), RunOutcome::Interrupted);
    EXPECT_EQ(tk.report.back(), "Run stopped at case " + std::to_string(c.casesWritten));
    const std::string data = Read(c.file);
    EXPECT_EQ(std::count(data.begin(), data.end(), '\n'), c.casesWritten);
    EXPECT_EQ(data.substr(data.size() - 2), "\r\n");
    const Lines files = Files();
    EXPECT_EQ(std::count(files.begin(), files.end(), "PROJ.mln"), c.mplus == 0 ? 1 : 0);
    for (const std::string& name : files) EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    EXPECT_EQ(std::count(tk.shown.begin(), tk.shown.end(), "info: Transfer to MLwiN not ready"), c.mplus == 0 ? 1 : 0);
  }
}

// The MLwiN data written in one pass with the Mplus data are put in place
// only at their turn, under the rules of any file written there: a link is
// refused and left as it was, and nothing is left under a passing name.
TEST_F(FaultTest, TheMLwinFileOfOnePassIsRefusedAsALink) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  fs::create_symlink(root_ / kOutsideFile, At("proj.MLN"));
  tk.choices[0] = tk.choices[2] = 1;
  shell.MplusSeed = 1;
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "5 File access denied. (proj.MLN)");
  EXPECT_TRUE(fs::is_symlink(At("proj.MLN")));
  const std::string mplusData = Read("PROJ.mpd");
  EXPECT_EQ(std::count(mplusData.begin(), mplusData.end(), '\n'), 3);
  EXPECT_EQ(tk.shown.back(), "info: Transfer to MLwiN not ready");
  for (const std::string& name : Files()) EXPECT_EQ(name.find(".part"), std::string::npos) << name;
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
