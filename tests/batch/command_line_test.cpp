// The batch program's command line: what each reads as, and each usage error.
#include "batch/command_line.h"

#include <gtest/gtest.h>

#include <sstream>

namespace s2v {
namespace {

using Args = std::vector<std::string>;

// The command in short ("run p.spc project=P mplus=1 seed=7 ...") or "error:
// MESSAGE".
std::string Read(const Args& args) {
  const auto parsed = ParseBatchCommand(args);
  if (const std::string* error = std::get_if<std::string>(&parsed)) return "error: " + *error;
  const BatchCommand& c = std::get<BatchCommand>(parsed);
  static const char* const kActions[] = {"help", "version", "run", "describe", "draft", "check"};
  std::ostringstream out;
  out << kActions[static_cast<int>(c.action)];
  if (c.spcFile) out << " " << *c.spcFile;
  if (!c.spssFile.empty()) out << " " << c.spssFile;
  if (c.project) out << " project=" << *c.project;
  if (c.choices.Mplus || c.choices.Mim || c.choices.MLwin)
    out << " transfers=" << c.choices.Mplus << c.choices.Mim << c.choices.MLwin;
  if (c.seed) out << " seed=" << *c.seed;
  if (c.report) out << " report=" << *c.report;
  if (c.importFile) out << " import=" << *c.importFile << (c.force ? " force" : "");
  if (c.encoding) out << " encoding=" << *c.encoding;
  if (c.tsv) out << " tsv";
  for (const std::string& name : c.vars) out << " var=" << name;
  if (c.action == BatchCommand::Action::Draft) out << " categories=" << c.categories;
  return out.str();
}

TEST(BatchCommandLine, EachCommandAndEachUsageError) {
  const std::pair<Args, std::string> cases[] = {
      {{"p.spc"}, "run p.spc"},
      {{"--mplus", "1", "--mim", "2", "--mlwin", "0", "--seed", "4294967295", "--project", "P", "p.spc"},
       "run p.spc project=P transfers=120 seed=4294967295"},
      {{"--report", "r.txt", "p.spc", "--encoding", "UTF-8"}, "run p.spc report=r.txt encoding=UTF-8"},
      {{"--import", "s.sav", "--force"}, "run import=s.sav force"},
      {{"--import-sav", "s.sav", "p.spc"}, "run p.spc import=s.sav"},
      {{"--describe", "survey", "--tsv"}, "describe survey tsv"},
      {{"--draft", "survey.DAT", "--vars", "sex,,age", "--categories", "3"},
       "draft survey.DAT var=sex var=age categories=3"},
      {{"--draft", "survey"}, "draft survey categories=4"},
      {{"--check", "--project", "P", "p.spc"}, "check p.spc project=P"},
      {{"--seed", "1", "--help"}, "help seed=1"},
      {{"--version", "--bogus"}, "version"},
      {{}, "error: SPCFILE is missing"},
      {{"a.spc", "b.spc"}, "error: only one SPCFILE may be given"},
      {{"--bogus"}, "error: unknown option --bogus"},
      {{"-"}, "run -"},
      {{"p.spc", "--seed"}, "error: --seed needs a value"},
      {{"--seed", "-1", "p.spc"}, "error: --seed takes a number from 0 to 4294967295"},
      {{"--seed", "4294967296", "p.spc"}, "error: --seed takes a number from 0 to 4294967295"},
      {{"--mim", "3", "p.spc"}, "error: --mim takes 0, 1 or 2"},
      {{"--mplus", "1x", "p.spc"}, "error: --mplus takes 0, 1 or 2"},
      {{"--force", "p.spc"}, "error: --force needs --import"},
      {{"--encoding", "KLINGON", "p.spc"}, "error: --encoding KLINGON is not an 8-bit code page or UTF-8"},
      {{"--describe", "a", "--check", "p.spc"}, "error: --describe, --draft and --check go one at a time"},
      {{"--tsv", "--draft", "a"}, "error: --tsv goes with --describe"},
      {{"--categories", "3", "--describe", "a"}, "error: --vars and --categories go with --draft"},
      {{"--draft", "a", "--categories", "43"}, "error: --categories takes a number from 2 to 42"},
      {{"--check", "--mplus", "1", "p.spc"}, "error: --mplus does not go with --describe, --draft or --check"},
      {{"--import", "s.sav", "--check", "p.spc"}, "error: --import does not go with --describe, --draft or --check"},
      {{"--check"}, "error: --check needs SPCFILE"},
      {{"--describe", "a", "p.spc"}, "error: --describe and --draft take no SPCFILE or --project"},
  };
  for (const auto& [args, expected] : cases) EXPECT_EQ(Read(args), expected) << testing::PrintToString(args);
}

}  // namespace
}  // namespace s2v
