// Runs that meet a failing file system or files changed under their feet, or
// that are stopped: each ends with the failure's message, and the folder is
// as it was before the run.
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
// "File access denied." naming it, and writes nothing. (A full disk is met in
// the batch program's tests, on a small file system of its own.)
TEST_F(FaultTest, AnOutputThatIsALinkIsRefused) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  WriteInput("SPSSDATA.TXT", kOlderExport);
  fs::create_symlink("/dev/full", At("PROJ.CAT"));
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "5 File access denied. (PROJ.CAT)");
  EXPECT_TRUE(fs::is_symlink(At("PROJ.CAT")));
  EXPECT_EQ(Files(), (Lines{"PROJ.CAT", "SPSSDATA.DAT", "SPSSDATA.TXT"}));
  EXPECT_EQ(tk.report.back(), kFolderUnchanged);
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

// A run is all or nothing: stopped in the copy or in any transfer, it leaves
// the complete project of the run before it as it was, byte for byte, and no
// passing file; the old SYS and TAB files too.
TEST_F(FaultTest, AStoppedRunLeavesTheProjectBeforeItAsItWas) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  WriteInput("SPSSDATA.TXT", kOlderExport);
  tk.choices[0] = 1;
  tk.choices[2] = 1;
  shell.MplusSeed = 1;
  ASSERT_EQ(Run(kProject), RunOutcome::Completed);
  Write("PROJ.SYS", "old");
  const std::map<std::string, std::string> before = Contents();
  ASSERT_EQ(before.size(), 12u);
  struct Case {
    int mplus, mlwin;
    int stopAt;  // the copy asks after each of its 3 cases, a transfer before each of its cases
    int casesWritten;
  } cases[] = {
      {1, 1, 2, 2},      // in the copy
      {1, 0, 3 + 2, 1},  // in the Mplus data
      {0, 1, 3 + 3, 2},  // in the MLwiN data
      {1, 1, 3 + 3, 2},  // in the one pass that writes both
      {2, 1, 3 + 1, 0},  // in the MLwiN data after the Mplus input file
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mplus) + " " + std::to_string(c.mlwin) + " " + std::to_string(c.stopAt));
    tk = ScriptedToolkit();
    tk.choices[0] = c.mplus;
    tk.choices[2] = c.mlwin;
    shell.MplusSeed = 2;
    int asked = 0;
    tk.stopWhen = [&] { return ++asked == c.stopAt; };
    EXPECT_EQ(Run(kProject), RunOutcome::Interrupted);
    EXPECT_EQ(Lines(tk.report.end() - 2, tk.report.end()),
              (Lines{"Run stopped at case " + std::to_string(c.casesWritten), kFolderUnchanged}));
    EXPECT_EQ(Contents(), before);
  }
}

// The MLwiN data written in one pass with the Mplus data are put in place
// only at their turn, under the rules of any file written there: a link is
// refused and left as it was, and nothing of the run is left.
TEST_F(FaultTest, TheMLwinFileOfOnePassIsRefusedAsALink) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  fs::create_symlink(root_ / kOutsideFile, At("proj.MLN"));
  tk.choices[0] = tk.choices[2] = 1;
  shell.MplusSeed = 1;
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "5 File access denied. (proj.MLN)");
  EXPECT_TRUE(fs::is_symlink(At("proj.MLN")));
  EXPECT_EQ(tk.shown.back(), "info: Transfer to MLwiN not ready");
  EXPECT_EQ(Files(), (Lines{"SPSSDATA.DAT", "proj.MLN"}));
}

// An output of the last run that is a hard link to a file elsewhere (a
// backup made with cp -al) is replaced in the folder; the other file keeps
// its bytes. A read-only one is refused by name.
TEST_F(FaultTest, AnOutputIsReplacedNotWrittenThrough) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  fs::create_hard_link(root_ / kOutsideFile, At("PROJ.DAT"));
  ASSERT_EQ(Run(kProject), RunOutcome::Completed);
  EXPECT_EQ(Read("PROJ.DAT"), "1 1 23 1500.5\r\n2 2 45 -999\r\n3 -999 67 9000\r\n");
  if (geteuid() == 0) return;  // permissions do not bind root
  fs::permissions(At("PROJ.VAR"), fs::perms::owner_read);
  const std::map<std::string, std::string> before = Contents();
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "5 File access denied. (PROJ.VAR)");
  EXPECT_EQ(Contents(), before);
}

// What a killed program left is tidied by the next holder of the folder:
// passing files go, an old file renamed aside goes back to its name when its
// new one never took it, and nothing that only looks alike is touched.
TEST_F(FaultTest, TheNextCommandRemovesWhatAKilledOneLeft) {
  const std::map<std::string, std::string> left = {
      {"PROJ.DAT.a1B2c3.s2v.part", "cut"}, {"PROJ.VAR", "new"},
      {"PROJ.VAR.Zz9x0q.s2v.old", "old"},  {"PROJ.CAT.q7Rt2m.s2v.old", "the only copy"},
      {"PROJ.CAT.k3J9xQ.s2v.part", "new"}, {"notes.part", "kept"},
      {"x.abcde.s2v.part", "kept"},        {"x.abcdef.part", "kept"},
      {".abcdef.s2v.part", "kept"},        {"y.abc-ef.s2v.old", "kept"}};
  for (const auto& [name, text] : left) Write(name, text);
  fs::create_directory(At("d.abcdef.s2v.part"));
  ASSERT_TRUE(FolderLock::TryLock(folder).has_value());
  std::map<std::string, std::string> expected = {
      {"PROJ.VAR", "new"}, {"PROJ.CAT", "the only copy"}, {"d.abcdef.s2v.part", "(not a file)"}};
  for (const auto& [name, text] : left)
    if (text == "kept") expected[name] = text;
  EXPECT_EQ(Contents(), expected);
}

TEST_F(FaultTest, InputRemovedBetweenSteps) {
  // The label file, after the copy wrote it and before its names are read.
  WriteInput("SPSSDATA.DAT", kSpssData);
  tk.onReport = [this](const std::string& line) {
    if (line == "3 cases found on spss file") fs::remove(PassingOf("PROJ.LAB"));
  };
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "2 File not found.");
  EXPECT_EQ(Files(), (Lines{"SPSSDATA.DAT"}));

  // The File Info export, after its layout was read.
  Write("SPSSDATA.TXT", "Variable Information\r\n| SEX | 2 | Sex |\r\n");
  tk.onReport = [this](const std::string& line) {
    if (line == "SPSS File Info version 13 or later") fs::remove(At("SPSSDATA.TXT"));
  };
  EXPECT_EQ(FailureOf([&] { Run(kProject); }), "2 File not found.");
  EXPECT_EQ(Files(), (Lines{"SPSSDATA.DAT"}));
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
    if (line == "3 cases found on spss file") fs::resize_file(PassingOf("PROJ.LAB"), 0);
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
      if (line == "DEF, DAT and VAR files are ready. The CAT file will be created.")
        Write(PassingOf("PROJ.DAT"), c.data);
    };
    EXPECT_EQ(FailureOf([&] { Run(kProject); }), c.failure);
    EXPECT_EQ(tk.shown, (Lines{"info: VORNEX files are ready", "info: Mplus project file ready"}));
    EXPECT_EQ(Files(), (Lines{"SPSSDATA.DAT", "SPSSDATA.TXT"}));
  }

  tk.onReport = [this](const std::string& line) {
    if (line == "DEF, DAT and VAR files are ready. The CAT file will be created.") fs::remove(PassingOf("PROJ.DAT"));
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
