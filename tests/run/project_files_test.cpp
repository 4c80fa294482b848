#include "run/project_files.h"

#include <gtest/gtest.h>

namespace s2v {
namespace {

std::string VariableFile(const std::vector<std::string>& spc, const std::vector<std::string>& dataset,
                         TransferChoices choices = {}) {
  ProjectDefinition definition;
  EXPECT_FALSE(ParseProjectDefinition(spc, "P", dataset, definition));
  StringSink sink;
  BufferedWriter out(sink);
  WriteVariableFile(out, definition, "SPSSDATA", choices);
  out.Flush();
  return sink.bytes;
}

TEST(ProjectFiles, VariableFileOfTwoIntegerVariables) {
  EXPECT_EQ(VariableFile({"S", "2", "AGE 1 3", "SEX 1 2"}, {"ID", "SEX", "X", "AGE"}),
            "2\r\n"
            "A 4 3 3\r\n"
            "       1       1       2       3\r\n"
            "B 2 2 3\r\n"
            "       1       1       2\r\n"
            "1\r\n"
            "  2\r\n"
            "COMMENTS\r\n"
            "Data from SPSSDATA.TXT\r\n"
            "VARIABLENAMES\r\n"
            "A AGE\r\n"
            "B SEX\r\n");
}

TEST(ProjectFiles, DecimalBoundsAndTransferLines) {
  std::string file = VariableFile({"S", "2", "W 0 2.5 10 <-", "SEX 1 2"}, {"SEX", "W"}, {2, 1, 1});
  EXPECT_NE(file.find("A 2 2 3\r\n      0.00      2.50     10.00\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("2\r\n  1  2\r\n"), std::string::npos) << file;
  EXPECT_NE(file.find("Data from SPSSDATA.TXT\r\n"
                      "MIM project created (not categorized)\r\n"
                      "Mplus project created (categorized)\r\n"
                      "MLwiN project created (not categorized)\r\n"
                      "VARIABLENAMES\r\n"),
            std::string::npos)
      << file;
}

TEST(ProjectFiles, DefinitionFileAndTextHeader) {
  StringSink sink;
  BufferedWriter out(sink);
  WriteDefinitionFile(out, 25, "MYDATA");
  WriteProjectTextHeader(out, "SPSSDATA");
  out.Flush();
  EXPECT_EQ(sink.bytes, "25\r\nFILES\r\nD MYDATA.DAT\r\nVariables transferred from SPSSDATA:\r\n\r\n");
}

}  // namespace
}  // namespace s2v
