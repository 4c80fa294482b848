// The naming rules and templates that the window and the batch program share.
#include "run/shell_rules.h"

#include <gtest/gtest.h>

#include "run_fixture.h"

namespace s2v {
namespace {

TEST(ProjectNameOf, TheNameUpToItsFirstPoint) {
  const std::pair<const char*, const char*> cases[] = {
      {"survey_project.spc", "survey_project"},
      {"a.b.spc", "a"},
      {"noextension", "noextension"},
      {".hidden.spc", ".hidden.spc"},  // a point in the first place does not cut
      {"trailing.", "trailing"},
  };
  for (const auto& [file, project] : cases) EXPECT_EQ(ProjectNameOf(file), project) << file;
}

TEST(ProjectTemplates, ImportTakesOpensTemplateWithTheSpssName) {
  std::vector<std::string> imported = ImportProjectTemplate("survey");
  ASSERT_EQ(imported.size(), OpenProjectTemplate().size());
  EXPECT_EQ(imported[0], "survey");
  EXPECT_TRUE(std::equal(imported.begin() + 1, imported.end(), OpenProjectTemplate().begin() + 1));
  EXPECT_EQ(NewProjectTemplate()[0], "SPSSdata");
  EXPECT_EQ(OpenProjectTemplate()[0], "SPSSDATA  <Existing VORNEX DAT file>");
}

using ShellRulesTest = RunTest;

TEST_F(ShellRulesTest, AProjectExistsByItsDefinitionFileInAnyLetterCase) {
  EXPECT_FALSE(ProjectExists(folder, "PROJ"));
  Write("proj.def", "4\r\n");
  EXPECT_TRUE(ProjectExists(folder, "PROJ"));
  EXPECT_FALSE(ProjectExists(folder, "OTHER"));
  fs::create_directory(At("OTHER.DEF"));  // a folder is not a definition file
  EXPECT_FALSE(ProjectExists(folder, "OTHER"));
}

}  // namespace
}  // namespace s2v
