// Whole runs with the transfers chosen, in a temporary working folder, the
// Dummy column seeded with 0; every file compared byte for byte.
#include "run_fixture.h"
#include "support/io_error.h"

namespace s2v {
namespace {

enum Group { kMplus = 0, kMim = 1, kMLwin = 2 };

class TransferRunTest : public RunTest {
 protected:
  void SetUp() override {
    RunTest::SetUp();
    shell.MplusSeed = 0;
  }

  // The lines of a file whose every line ends with CR LF.
  Lines ReadLines(const fs::path& path) const {
    std::string bytes = Read(path);
    Lines lines;
    std::size_t start = 0;
    for (std::size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2)
      lines.push_back(bytes.substr(start, end - start));
    EXPECT_EQ(start, bytes.size()) << path << " does not end with CR LF";
    for (const std::string& line : lines) EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    return lines;
  }
  RunOutcome Run(Lines spcLines, int mplus, int mim, int mlwin) {
    tk.shown.clear();
    tk.choices[kMplus] = mplus;
    tk.choices[kMim] = mim;
    tk.choices[kMLwin] = mlwin;
    return RunTest::Run(std::move(spcLines));
  }
  // What the transfers showed: the notices after "VORNEX files are ready".
  Lines Notices() const {
    auto ready = std::find(tk.shown.begin(), tk.shown.end(), "info: VORNEX files are ready");
    EXPECT_NE(ready, tk.shown.end());
    return ready == tk.shown.end() ? tk.shown : Lines(ready + 1, tk.shown.end());
  }

  static constexpr const char* kSpssData =
      "ID\tSEX\tAGE\tINCOME\tSCORE\r\n"
      "1\t1\t23\t1500,5\t2,000004\r\n"
      "2\t2\t45\t\t-1,5\r\n"
      "3\t \t67\t9000\t12345678901,25\r\n";
  // AGE and INCOME span 10 values or more; SEX and SCORE (1 to 9) fewer.
  const Lines kSpc{"SPSSDATA", "4", "age 18 30 45 65 99", "SEX 1 2", "INCOME 0 1000.5 5000 9000", "score 1 9"};
};

const Lines kChoiceOneInput{
    "TITLE: PROJ",
    "Uncategorized variables:",
    "  A = AGE",
    "  B = SEX",
    "  C = INCOME",
    "  D = SCORE",
    "Variables with less than 10 values are regarded as categorical",
    "Dummy is a random variable with a standardized normal distribution",
    "      which is uncorrelated to other variables",
    "It has been included to enable calculation of polychoric correlation",
    "between all categorical variables;",
    "DATA:             FILE IS   PROJ.mpd;",
    "                  FORMAT IS free;",
    "                  TYPE IS   individual;",
    "VARIABLE:         NAMES ARE A B C D Dummy;",
    "                  MISSING ARE ALL(-999);",
    "!                  USEVARIABLES ARE",
    "                  CATEGORICAL ARE B D;",
    "!DEFINE:            new variable here;",
    "!SAVEDATA:          save data and/or results",
    "!ANALYSIS:           TYPE = GENERAL",
    "!    This is the default type. Other options are: BASIC EFA LOGISTIC ",
    "!                    ESTIMATOR = ",
    "!                    MATRIX = COVARIANCE or CORRELATION",
    "MODEL:             !model here;",
    "!       A B C D on Dummy@0;",
    "OUTPUT:            SAMPSTAT;RESIDUAL;CINTERVAL;MODINDICES(0);",
    "!Other output options are: ",
    "      STANDARDIZED;     !Standardized coefficients",
    "!      H1SE;             !Standard errors for the H1 model",
    "!      H1TECH3;          !Estimated covar and corr matrices for parameter estimates",
    "!      PATTERNS;         !Summary of missing data patterns",
    "!      FSCOEFFICIENT;    !Factor score coefficients and posterior covar matrix",
    "!      FSDERTERMINACY;   !Factor score determinacy for each factor",
    "!      TECH1;            !Parameter specifications and starting values",
    "!      TECH2             !Parameter derivatives;",
    "!      TECH3;            !Covar and Corr matrices for estimates",
    "!      TECH4;            !Estimated means and covar for the latent variables",
    "!      TECH5;            !Optimization matrix",
    "!      TECH6;            !Optimization for categorical variables",
    "!      TECH7;            !output for type Mixture",
    "!      TECH8;            !Output for type mixture",
    "!      TECH9;            !Error messages for MC study",
    "!MONTECARLO:              File is",
};

// The Dummy values from seed 0 are the inverse normal upper tail of 1, 134775814
// and 3698175007 times 2^-32, checked against Python's statistics.NormalDist.
TEST_F(TransferRunTest, MplusOriginalVariables) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  ASSERT_EQ(Run(kSpc, 1, 0, 0), RunOutcome::Completed);
  Lines input = ReadLines("PROJ.inp");
  EXPECT_EQ(input, kChoiceOneInput);
  // The lengths of the fixed lines, as counted without the line end.
  const std::size_t lengths[] = {24, 62, 66, 46, 68, 34, 33, 39};
  const std::size_t at[] = {1, 6, 7, 8, 9, 10, 12, 13};
  for (std::size_t k = 0; k < 8 && at[k] < input.size(); ++k) EXPECT_EQ(input[at[k]].size(), lengths[k]) << at[k];
  EXPECT_EQ(Read("PROJ.mpd"),
            "23 1   1500.500 2   6.230260\r\n"
            "45 2 -999     -1.500   1.860889\r\n"
            "67 -999 9000 12345678901.250  -1.085042\r\n");
  EXPECT_EQ(Notices(),
            (Lines{"info: Mplus project file ready", "info: Mplus data ready. 3 SPSS records was transfered"}));
  EXPECT_EQ(Files(), (Lines{"PROJ.DAT", "PROJ.DEF", "PROJ.LAB", "PROJ.TXT", "PROJ.VAR", "PROJ.inp", "PROJ.mpd",
                            "SPSSDATA.DAT"}));
}

TEST_F(TransferRunTest, MplusCategorizedVariablesWritesTheInputFileOnly) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  // The category phase deletes an old system file; the transfer writes none.
  Write("PROJ.sys", "old");
  ASSERT_EQ(Run(kSpc, 2, 0, 0), RunOutcome::Completed);
  Lines expected = kChoiceOneInput;
  expected[11] = "DATA:             FILE IS   PROJ.sys;";
  expected[15] = "                  MISSING ARE ALL(0);";
  expected[17] = "                  CATEGORICAL ARE A B C D;";
  EXPECT_EQ(ReadLines("PROJ.inp"), expected);
  EXPECT_EQ(Notices(), Lines{"info: Mplus project file ready"});
  EXPECT_FALSE(fs::exists(At("PROJ.mpd")));
  EXPECT_FALSE(fs::exists(At("PROJ.sys")));
}

TEST_F(TransferRunTest, CategoricalAreFewerThanTenValues) {
  WriteInput("SPSSDATA.DAT", "A\tB\tC\tD\r\n1\t2\t3\t4\r\n");
  struct Case {
    Lines spc;
    std::string line;
  } cases[] = {
      {{"SPSSDATA", "4", "A 1 9", "B 1 10", "C 0 2.5 5", "D 0 1000 5000 9000"},
       "                  CATEGORICAL ARE A C;"},
      {{"SPSSDATA", "2", "A 1 10", "D 0 1000 5000 9000"}, "                  CATEGORICAL ARE;"},
      {{"SPSSDATA", "2", "B -4 4", "C 0.5 4 9.4"}, "                  CATEGORICAL ARE A B;"},
      {{"SPSSDATA", "2", "B -4 5", "C 0.5 4 9.5"}, "                  CATEGORICAL ARE;"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Run(c.spc, 1, 0, 0), RunOutcome::Completed);
    EXPECT_EQ(ReadLines("PROJ.inp").at(c.spc.size() + 11), c.line) << c.spc[2];
  }
}

TEST_F(TransferRunTest, FiftyEightVariablesWrapAndTakeMplusNames) {
  // 60 columns C1..C60: each case spans four lines of the VORNEX data file.
  std::string data;
  for (int j = 1; j <= 60; ++j) data += "C" + std::to_string(j) + (j < 60 ? "\t" : "\r\n");
  for (int sign : {1, -1})
    for (int j = 1; j <= 60; ++j) data += std::to_string(sign * j) + (j < 60 ? "\t" : "\r\n");
  WriteInput("SPSSDATA.DAT", data);
  // Variable i is column i + 2; the odd ones span 9 values, the even ones 10.
  Lines spc{"SPSSDATA", "58"};
  for (int i = 1; i <= 58; ++i) spc.push_back("C" + std::to_string(i + 2) + (i % 2 ? " 1 9" : " 1 10"));
  ASSERT_EQ(Run(spc, 1, 0, 1), RunOutcome::Completed);
  const std::string vornexData = Read("PROJ.DAT");
  ASSERT_EQ(std::count(vornexData.begin(), vornexData.end(), '\n'), 8);

  Lines input = ReadLines("PROJ.inp");
  ASSERT_EQ(input.size(), 40u + 58u + 5u);  // three wrapped lists, five continuation lines
  EXPECT_EQ(input[2], "  A = C3");
  EXPECT_EQ(input[27], "  Z = C28");
  EXPECT_EQ(input[28], "V27 = C29");
  EXPECT_EQ(input[59], "V58 = C60");
  EXPECT_EQ(Lines(input.begin() + 68, input.begin() + 71),
            (Lines{"VARIABLE:         NAMES ARE A B C D E F G H I J K L M N O P Q R S T U V W X Y Z V27 V28",
                   "                  V29 V30 V31 V32 V33 V34 V35 V36 V37 V38 V39 V40 V41 V42 V43 V44 V45 V46",
                   "                  V47 V48 V49 V50 V51 V52 V53 V54 V55 V56 V57 V58 Dummy;"}));
  EXPECT_EQ(input[71], "                  MISSING ARE ALL(-999);");
  EXPECT_EQ(Lines(input.begin() + 73, input.begin() + 75),
            (Lines{"                  CATEGORICAL ARE A C E G I K M O Q S U W Y V27 V29 V31 V33 V35 V37 V39",
                   "                  V41 V43 V45 V47 V49 V51 V53 V55 V57;"}));
  EXPECT_EQ(input[81], "MODEL:             !model here;");
  EXPECT_EQ(Lines(input.begin() + 82, input.begin() + 85),
            (Lines{"!       A B C D E F G H I J K L M N O P Q R S T U V W X Y Z V27 V28 V29 V30 V31 V32 V33",
                   "!       V34 V35 V36 V37 V38 V39 V40 V41 V42 V43 V44 V45 V46 V47 V48 V49 V50 V51 V52 V53",
                   "!       V54 V55 V56 V57 V58 on Dummy@0;"}));
  EXPECT_EQ(input.back(), "!MONTECARLO:              File is");
  for (const std::string& line : input) EXPECT_LE(line.size(), 90u) << line;

  std::string positive, negative;
  for (int j = 3; j <= 60; ++j) {
    positive += std::to_string(j) + " ";
    negative += std::to_string(-j) + " ";
  }
  EXPECT_EQ(ReadLines("PROJ.mpd"), (Lines{positive + "  6.230260", negative + "  1.860889"}));
  EXPECT_EQ(ReadLines("PROJ.mln"), (Lines{positive + "1 1", negative + "1 2"}));
  // The VORNEX files keep the variables' own letters.
  EXPECT_NE(Read("PROJ.VAR").find("\r\nz 54 10 3\r\n"), std::string::npos);
}

TEST_F(TransferRunTest, NumberFormatsOfBothDataFiles) {
  WriteInput("SPSSDATA.DAT",
             "V1\tV2\tV3\tV4\tV5\tV6\tV7\tV8\r\n"
             "2,000004\t2.00002\t2.00005\t2.0002\t-1,5\t-999\t12345678901,25\t3000000000\r\n"
             "-2147483648\t2147483647\t2147483648\t0,0000001\t\t.5\t+7\t1234,5678\r\n");
  Lines spc{"SPSSDATA", "8", "V1 1 2", "V2 1 2", "V3 1 2", "V4 1 2", "V5 1 2", "V6 1 2", "V7 1 2", "V8 1 2"};
  ASSERT_EQ(Run(spc, 1, 0, 1), RunOutcome::Completed);
  EXPECT_EQ(Read("PROJ.mpd"),
            "2      2.000      2.000      2.000     -1.500 -999 12345678901.250 3000000000.000   6.230260\r\n"
            "-2147483648 2147483647 2147483648.000 0 -999      0.500 7   1234.568   1.860889\r\n");
  EXPECT_EQ(Read("PROJ.mln"),
            "2 2 2      2.000     -1.500 -999 12345678901.250 3000000000.000 1 1\r\n"
            "-2147483648 2147483647 2147483648.000 0 -999      0.500 7   1234.568 1 2\r\n");
}

// Both data files chosen are written in one pass over the VORNEX data file:
// the same bytes as each written alone, also for values within MLwiN's
// tolerance of a whole number but not within Mplus's, at both ends of the
// 32-bit range, next to zero from below, and for variables out of the
// dataset's order.
TEST_F(TransferRunTest, OnePassWritesWhatEachTransferWritesAlone) {
  WriteInput("SPSSDATA.DAT",
             "V1\tV2\tV3\tV4\tV5\tV6\tV7\tV8\tV9\tV10\r\n"
             "2,00002\t1,99995\t-0,00002\t2147483647,00005\t2147483648,00005\t-2147483648,00009\t0,0001\t2,0001\t"
             "5\t1,5\r\n"
             "-2,00009\t0,00001\t2,000005\t-0,0004\t1,9999\t7,00049\t-7,00011\t3,00001\t,5\t\r\n"
             "-0,00005\t12345678901,00002\t-2147483647,99993\t99,99991\t0,000099\t-0,000011\t4,00010\t-1\t"
             "0\t2,99999\r\n");
  Lines spc{"SPSSDATA", "10",     "V3 1 2", "V1 1 2", "V2 1 2", "V10 1 2",
            "V4 1 2",   "V5 1 2", "V6 1 2", "V7 1 2", "V8 1 2", "V9 1 2"};
  ASSERT_EQ(Run(spc, 1, 0, 0), RunOutcome::Completed);
  const std::string mplus = Read("PROJ.mpd");
  ASSERT_EQ(Run(spc, 0, 0, 1), RunOutcome::Completed);
  const std::string mlwin = Read("PROJ.mln");
  // The tolerances part on these values: Mplus keeps -0.00002, 2.00002 and
  // 1.99995 apart from the whole numbers, MLwiN does not.
  EXPECT_EQ(mplus.substr(0, 44), "    -0.000      2.000      2.000      1.500 ");
  EXPECT_EQ(mlwin.substr(0, 17), "0 2 2      1.500 ");
  fs::remove(At("PROJ.mpd"));
  fs::remove(At("PROJ.mln"));
  // An old MLwiN file keeps its permissions, as a file written over does.
  Write("PROJ.mln", "old");
  // (Windows has no such permissions: a file put in place takes the folder's.)
#ifndef _WIN32
  fs::permissions(At("PROJ.mln"), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
  ASSERT_EQ(Run(spc, 1, 0, 1), RunOutcome::Completed);
  EXPECT_EQ(Read("PROJ.mpd"), mplus);
  EXPECT_EQ(Read("PROJ.mln"), mlwin);
#ifndef _WIN32
  EXPECT_EQ(fs::status(At("PROJ.mln")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
  EXPECT_EQ(Notices(),
            (Lines{"info: Mplus project file ready", "info: Mplus data ready. 3 SPSS records was transfered",
                   "info: Transfer to MLwiN not ready", "info: MLwiN data ready. 3 SPSS records were transferred"}));
  // A new one gets the permissions of any file the run creates.
  fs::remove(At("PROJ.mln"));
  ASSERT_EQ(Run(spc, 1, 1, 2), RunOutcome::Completed);
  EXPECT_EQ(Read("PROJ.mln"), mlwin);
  EXPECT_EQ(fs::status(At("PROJ.mln")).permissions(), fs::status(At("PROJ.mpd")).permissions());
  for (const std::string& name : Files()) EXPECT_EQ(name.find(".part"), std::string::npos) << name;
}

TEST_F(TransferRunTest, NoCasesGiveEmptyDataFiles) {
  WriteInput("SPSSDATA.DAT", "SEX\tAGE\r\n");
  ASSERT_EQ(Run({"SPSSDATA", "2", "SEX 1 2", "AGE 1 9"}, 1, 0, 1), RunOutcome::Completed);
  EXPECT_EQ(Read("PROJ.mpd"), "");
  EXPECT_EQ(Read("PROJ.mln"), "");
  EXPECT_EQ(Notices(),
            (Lines{"info: Mplus project file ready", "info: Mplus data ready. 0 SPSS records was transfered",
                   "info: Transfer to MLwiN not ready", "info: MLwiN data ready. 0 SPSS records were transferred"}));
}

TEST_F(TransferRunTest, MimOnlySaysItIsNotReady) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  ASSERT_EQ(Run(kSpc, 0, 0, 0), RunOutcome::Completed);
  EXPECT_TRUE(Notices().empty());
  const Lines files = Files();
  for (int mim : {1, 2}) {
    ASSERT_EQ(Run(kSpc, 0, mim, 0), RunOutcome::Completed);
    EXPECT_EQ(Notices(), Lines{"info: Transfer to MIM not ready"});
    EXPECT_EQ(Files(), files);
  }
}

TEST_F(TransferRunTest, MLwinBothChoicesWriteTheSameFile) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  const std::string expected =
      "23 1   1500.500 2 1 1\r\n"
      "45 2 -999     -1.500 1 2\r\n"
      "67 -999 9000 12345678901.250 1 3\r\n";
  for (int mlwin : {1, 2}) {
    ASSERT_EQ(Run(kSpc, 0, 0, mlwin), RunOutcome::Completed);
    EXPECT_EQ(Read("PROJ.mln"), expected) << mlwin;
    EXPECT_EQ(Notices(),
              (Lines{"info: Transfer to MLwiN not ready", "info: MLwiN data ready. 3 SPSS records were transferred"}));
  }
}

TEST_F(TransferRunTest, AllThreeInOrderAndTheSeedRepeats) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  ASSERT_EQ(Run(kSpc, 1, 2, 1), RunOutcome::Completed);
  EXPECT_EQ(Notices(), (Lines{"info: Mplus project file ready", "info: Mplus data ready. 3 SPSS records was transfered",
                              "info: Transfer to MIM not ready", "info: Transfer to MLwiN not ready",
                              "info: MLwiN data ready. 3 SPSS records were transferred"}));
  const std::string first = Read("PROJ.mpd");
  shell.MplusSeed = 12345;
  ASSERT_EQ(Run(kSpc, 1, 0, 0), RunOutcome::Completed);
  const std::string other = Read("PROJ.mpd");
  EXPECT_NE(other, first);
  ASSERT_EQ(Run(kSpc, 1, 0, 0), RunOutcome::Completed);
  EXPECT_EQ(Read("PROJ.mpd"), other);
}

TEST_F(TransferRunTest, FailureEndsTheTransfersAndKeepsWhatWasWritten) {
  WriteInput("SPSSDATA.DAT", kSpssData);
  fs::create_directory(At("PROJ.mpd"));
  try {
    Run(kSpc, 1, 1, 1);
    FAIL() << "no failure";
  } catch (const IoError& error) {
    EXPECT_EQ(error.code(), kFileAccessDenied);
  }
  EXPECT_EQ(Read("PROJ.inp"), "");
  EXPECT_TRUE(Notices().empty());
  EXPECT_FALSE(fs::exists(At("PROJ.mln")));
}

}  // namespace
}  // namespace s2v
