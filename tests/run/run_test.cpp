// Whole runs in a temporary working folder, compared byte for byte.
#include "run/run.h"

#include "run_fixture.h"
#include "support/io_error.h"

namespace s2v {
namespace {

TEST_F(RunTest, WholeRunWritesTheProjectFiles) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  WriteInput("SPSSDATA.TXT", kOlderExport);
  Write("PROJ.CAT", "old");
  tk.choices[0] = 1;
  ASSERT_EQ(Run({"SPSSDATA", "3", "age 18 30 45 65 99", "SEX 1 2", "<-", "INCOME 0 1000.5 5000 9000", "etc."}),
            RunOutcome::Completed);
  EXPECT_EQ(tk.report, (Lines{"The VORNEX project is PROJ",
                              "The file with Tabdelimited data is SPSSDATA.DAT",
                              "The file with SPSS File Info is SPSSDATA.TXT",
                              "",
                              "The following two files will be created:",
                              "    PROJ.DAT",
                              "    PROJ.LAB",
                              "",
                              "3 cases found on spss file",
                              "",
                              "The dataset contains 3 cases with 4 variables",
                              "The last variable = *INCOME*",
                              "",
                              "DEF, DAT and VAR files are ready. The CAT file will be created.",
                              "A-AGE start",
                              "A found",
                              "B-SEX start",
                              "B found",
                              "SEX - category codes and labels have been found.",
                              "C-INCOME start",
                              "C found"}));
  EXPECT_EQ(Read("PROJ.DAT"), "1 1 23 1500.5\r\n2 2 45 -999\r\n3 -999 67 9000\r\n");
  EXPECT_EQ(Read("PROJ.LAB"), "ID\r\nSEX\r\nAGE\r\nINCOME\r\n");
  EXPECT_EQ(Read("PROJ.DEF"), "4\r\nFILES\r\nD PROJ.DAT\r\n");
  EXPECT_EQ(Read("PROJ.TXT"),
            "Variables transferred from SPSSDATA:\r\n\r\n"
            "A:        AGE    AGE IN YEARS 3\r\n"
            "B:        SEX    SEX OF RESPONDENT 2\r\n"
            "C:     INCOME    MONTHLY INCOME 4\r\n");
  EXPECT_EQ(Read("PROJ.CAT"),
            "A 1 18 - 30\r\nA 2 31 - 45\r\nA 3 46 - 65\r\nA 4 66 - 99\r\n"
            "B 1 MALE\r\nB 2 FEMALE\r\n"
            "C 1 0 - 1000.5\r\nC 2 1000.5 - 5000\r\nC 3 5000 - 9000\r\n");
  EXPECT_EQ(Read("PROJ.VAR"),
            "3\r\n"
            "A 3 4 3\r\n      18      30      45      65      99\r\n"
            "B 2 2 3\r\n       1       1       2\r\n"
            "C 4 3 3\r\n      0.00   1000.50   5000.00   9000.00\r\n"
            "2\r\n  2  3\r\n"
            "COMMENTS\r\nData from SPSSDATA.TXT\r\n"
            "Mplus project created (not categorized)\r\n"
            "VARIABLENAMES\r\nA AGE\r\nB SEX\r\nC INCOME\r\n");
  EXPECT_EQ(tk.caseText, "3");
  EXPECT_EQ(tk.pendingMessageCalls, 3);
  EXPECT_EQ(tk.shown, (Lines{"info: VORNEX files are ready", "info: Mplus project file ready",
                             "info: Mplus data ready. 3 SPSS records was transfered"}));
  EXPECT_EQ(Read("SPSSDATA.DAT"), kSpssData);
  EXPECT_EQ(Read("SPSSDATA.TXT"), kOlderExport);
}

TEST_F(RunTest, ExportsWithLineFeedsAndLowerCaseNamesReadTheSame) {
  std::string lf = kSpssData;
  std::erase(lf, '\r');
  WriteInput("spssdata.dat", lf);
  // An existing file in another letter case is replaced, not doubled.
  Write("proj.def", "old");
  ASSERT_EQ(Run({"SPSSDATA", "2", "SEX 1 2", "AGE 0 50 99"}), RunOutcome::Completed);
  EXPECT_EQ(Read("PROJ.DAT"), "1 1 23 1500.5\r\n2 2 45 -999\r\n3 -999 67 9000\r\n");
  EXPECT_EQ(Read("proj.def"), "4\r\nFILES\r\nD PROJ.DAT\r\n");
  EXPECT_EQ(Files(), (Lines{"PROJ.DAT", "PROJ.LAB", "PROJ.TXT", "PROJ.VAR", "proj.def", "spssdata.dat"}));
}

TEST_F(RunTest, NameChecksStopBeforeAnyFile) {
  struct Case {
    Lines spc;
    std::string project;
    std::string lastLine;
  } cases[] = {
      {{}, "PROJ", "Invalid file names"},
      {{"   "}, "PROJ", "Invalid file names"},
      {{"SPSSDATA <VORNEX data>"}, "PROJ", "Invalid filename : <VORNEX.DAT"},
      {{"SPSSDATA"}, "", "Invalid filename : .DAT"},
      {{"SPSSDATA spssdata"}, "PROJ", "The VORNEX data file spssdata.DAT would replace the SPSS data file"},
      {{"SPSSDATA MYDATA"}, "", "Invalid project name : "},
      {{"SPSSDATA MYDATA"}, "..", "Invalid project name : .."},
      {{"SPSSDATA MYDATA"}, "../x", "Invalid project name : ../x"},
      {{"SPSSDATA MYDATA"}, "SpssData", "The project text file SpssData.TXT would replace the SPSS File Info file"},
  };
  WriteInput("SPSSDATA.DAT", kSpssData);
  for (const Case& c : cases) {
    shell.ProjectName = c.project;
    EXPECT_EQ(Run(c.spc), RunOutcome::Stopped);
    EXPECT_EQ(tk.report.back(), c.lastLine);
    EXPECT_EQ(Files(), Lines{"SPSSDATA.DAT"});
  }
}

TEST_F(RunTest, ExpectedPairMissingIsAnnouncedAndCreated) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  Write("MYDATA.DAT", "old");
  ASSERT_EQ(Run({"SPSSDATA MYDATA extra", "2", "SEX 1 2", "AGE 1 9"}), RunOutcome::Completed);
  EXPECT_EQ(tk.report[4], "MYDATA.DAT and/or MYDATA.LAB not found");
  EXPECT_EQ(Read("MYDATA.LAB"), "ID\r\nSEX\r\nAGE\r\nINCOME\r\n");
  ASSERT_EQ(Run({"SPSSDATA MYDATA", "2", "SEX 1 2", "AGE 1 9"}), RunOutcome::Completed);
  EXPECT_EQ(Lines(tk.report.begin() + 4, tk.report.begin() + 8),
            (Lines{"The following two files will be used:", "    MYDATA.DAT", "    MYDATA.LAB", ""}));
  EXPECT_EQ(Read("PROJ.DEF"), "4\r\nFILES\r\nD MYDATA.DAT\r\n");
}

TEST_F(RunTest, MissingSpssDataAnsweredNoStops) {
  tk.answers = {"No"};
  EXPECT_EQ(Run({"SPSSDATA"}), RunOutcome::Stopped);
  EXPECT_EQ(tk.shown, Lines{"ask: SPSSDATA.DAT does not exist here. Do you want to find it?"});
  EXPECT_EQ(tk.report.back(), "");
  EXPECT_TRUE(Files().empty());
}

TEST_F(RunTest, FindItInAFolderWithoutTheFile) {
  fs::create_directory(At("other"));
  Write("other/ELSE.DAT", "x");
  tk.answers = {"Yes", (folder_ / "other/ELSE.DAT").string()};
  EXPECT_EQ(Run({"SPSSDATA"}), RunOutcome::Stopped);
  EXPECT_EQ(tk.shown, (Lines{"ask: SPSSDATA.DAT does not exist here. Do you want to find it?",
                             "open DAT files|*.dat []", "info: SPSSDATA.DAT was not found"}));
  EXPECT_EQ(folder.Path(), (folder_ / "other").string());
}

TEST_F(RunTest, FindItThenRenameAnExistingProject) {
  fs::create_directory(At("data"));
  WriteInput("data/SPSSDATA.DAT", kSpssData);
  Write("data/PROJ.DEF", "old");
  tk.answers = {"Yes", (folder_ / "data/SPSSDATA.DAT").string(), "No", "P2"};
  ASSERT_EQ(Run({"SPSSDATA", "2", "SEX 1 2", "AGE 1 9"}), RunOutcome::Completed);
  EXPECT_EQ(tk.shown[2], "ask Warning: Project already exists. Continue with the same name?");
  EXPECT_EQ(tk.shown[3], "prompt Project name: Enter project name");
  EXPECT_EQ(tk.report[0], "The VORNEX project is P2");
  EXPECT_EQ(tk.report[1], "3 cases found on spss file");
  EXPECT_EQ(shell.ProjectName, "P2");
  EXPECT_EQ(shell.SpcFileName, "P2.spc");
  EXPECT_EQ(tk.proposedSaveName, "P2.spc");
  EXPECT_EQ(folder.Path(), (folder_ / "data").string());
  EXPECT_EQ(Read("data/PROJ.DEF"), "old");
  EXPECT_EQ(Read("data/P2.DEF"), "4\r\nFILES\r\nD PROJ.DAT\r\n");
  EXPECT_TRUE(fs::exists(At("data/P2.VAR")));
  EXPECT_TRUE(fs::exists(At("data/PROJ.LAB")));
}

TEST_F(RunTest, RenamedProjectIsCheckedAgain) {
  fs::create_directory(At("data"));
  WriteInput("data/SPSSDATA.DAT", kSpssData);
  Write("data/PROJ.DEF", "old");
  tk.answers = {"Yes", (folder_ / "data/SPSSDATA.DAT").string(), "No", "spssdata"};
  EXPECT_EQ(Run({"SPSSDATA MYDATA", "2", "SEX 1 2", "AGE 1 9"}), RunOutcome::Stopped);
  EXPECT_EQ(tk.report, (Lines{"The VORNEX project is spssdata",
                              "The project text file spssdata.TXT would replace the SPSS File Info file"}));
}

TEST_F(RunTest, DefinitionErrorLeavesTheFirstFilesAndNoVariableFile) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  EXPECT_EQ(Run({"SPSSDATA", "2", "SEX 1 2", "AGE 1.5 9"}), RunOutcome::Stopped);
  EXPECT_EQ(Lines(tk.report.end() - 3, tk.report.end()),
            (Lines{"", "Improper variable definition here:AGE 1.5 9", ""}));
  EXPECT_EQ(Files(), (Lines{"PROJ.DAT", "PROJ.DEF", "PROJ.LAB", "PROJ.TXT", "SPSSDATA.DAT"}));
  EXPECT_EQ(Read("PROJ.TXT"), "Variables transferred from SPSSDATA:\r\n\r\n");
}

TEST_F(RunTest, EveryMissingNameIsReported) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  Write("PROJ.VAR", "old");
  EXPECT_EQ(Run({"SPSSDATA", "3", "NOPE 1 2", "SEX 1 2", "GONE 1 2"}), RunOutcome::Stopped);
  EXPECT_EQ(Lines(tk.report.end() - 6, tk.report.end()), (Lines{"", "NOPE not found", "", "", "GONE not found", ""}));
  EXPECT_EQ(Read("PROJ.VAR"), "old");
}

TEST_F(RunTest, ShortCasesAreFittedAndReported) {
  WriteInput("SPSSDATA.DAT", "A\tB\tC\r\n1\t2\r\n1\t2\t3\r\n1\t2\t3\t4\r\n");
  ASSERT_EQ(Run({"SPSSDATA", "2", "A 1 2", "B 1 2"}), RunOutcome::Completed);
  EXPECT_EQ(tk.report[8], "3 cases found on spss file");
  EXPECT_EQ(tk.report[9], "2 cases did not have 3 values and were fitted");
}

TEST_F(RunTest, FileThatCannotBeCreatedEndsTheRunWithItsError) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  fs::create_directory(At("PROJ.DEF"));
  try {
    Run({"SPSSDATA", "2", "SEX 1 2", "AGE 1 9"});
    FAIL() << "no failure";
  } catch (const IoError& error) {
    EXPECT_EQ(error.code(), kFileAccessDenied);
    EXPECT_STREQ(error.what(), "File access denied. (PROJ.DEF)");
  }
  // Nothing of the run is left: the folder is as it was.
  EXPECT_EQ(Files(), (Lines{"PROJ.DEF", "SPSSDATA.DAT"}));
  EXPECT_EQ(tk.report.back(), kFolderUnchanged);
  EXPECT_EQ(Read("SPSSDATA.DAT"), kSpssData);
}

}  // namespace
}  // namespace s2v
