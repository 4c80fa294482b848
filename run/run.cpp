#include "run/run.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "model/project_definition.h"
#include "model/project_names.h"
#include "run/category_phase.h"
#include "run/data_copy.h"
#include "run/project_files.h"
#include "run/shell_rules.h"
#include "support/io_error.h"
#include "support/number_format.h"
#include "support/text_decoding.h"
#include "support/text_scan.h"
#include "support/working_folder.h"
#include "transfer/transfers.h"

namespace s2v {

void ReportError(Toolkit& toolkit, const std::string& message) {
  toolkit.AppendLine(Pane::Report, "");
  toolkit.AppendLine(Pane::Report, message);
  toolkit.AppendLine(Pane::Report, "");
}

namespace {

// The working state of one run and its steps, in order.
class RunState {
 public:
  RunState(Toolkit& toolkit, ShellState& shell, WorkingFolder& folder) : tk_(toolkit), shell_(shell), folder_(folder) {}

  RunOutcome Execute() {
    const std::string line1 = tk_.LineCount(Pane::Spc) > 0 ? tk_.Line(Pane::Spc, 0) : std::string();
    const FirstLineNames names = ReadFirstLineNames(line1, shell_.ProjectName);
    spssName_ = names.SpssName;
    auto showInfo = [this](const std::string& text) { tk_.ShowInfo(text); };
    if (auto refusal = RefuseSpssName(spssName_, showInfo)) return Stop(*refusal);
    Report("The file with Tabdelimited data is " + spssName_ + ".DAT");
    Report("The file with SPSS File Info is " + spssName_ + ".TXT");
    Report("");

    dataName_ = names.DataName;
    if (auto refusal = RefuseDataName(dataName_, showInfo)) return Stop(*refusal);
    if (auto refusal = RefuseUnsafeNames(spssName_, dataName_, shell_.ProjectName)) return Stop(*refusal);

    AnnouncePair(names.PairGiven);
    if (!folder_.Exists(spssName_ + ".DAT") && !FindSpssData()) return RunOutcome::Stopped;
    // Before anything is written: no output may be an input under another
    // name or through a link (the SPSS pair, and what the front end marked).
    if (auto refusal = RefuseReplacingInputs(folder_, spssName_, dataName_, shell_.ProjectName)) return Stop(*refusal);

    StagingScope staged(folder_);
    RunOutcome outcome;
    try {
      outcome = WriteProject();
      if (outcome != RunOutcome::Interrupted) staged.PutInPlace();
    } catch (const IoError&) {
      folder_.DiscardStaged();
      Report(kFolderUnchanged);
      throw;
    }
    if (outcome == RunOutcome::Interrupted) {
      folder_.DiscardStaged();
      Report(kFolderUnchanged);
    }
    return outcome;
  }

 private:
  // The steps that write the project, from the data copy on.
  RunOutcome WriteProject() {
    if (!CopyData()) return RunOutcome::Interrupted;
    projectBase_ = shell_.ProjectName;

    projectText_ = std::make_unique<TextFileWriter>(folder_, projectBase_ + ".TXT");
    WriteProjectTextHeader(projectText_->out(), spssName_);

    {
      FileSource labels(folder_, dataName_ + ".LAB");
      datasetNames_ = ReadDatasetNames(labels);
    }
    ReportChangedNames();
    TextFileWriter definitionFile(folder_, projectBase_ + ".DEF");
    WriteDefinitionFile(definitionFile.out(), datasetNames_.size(), dataName_);
    definitionFile.Close();
    DescribeDataset();

    SpcText spcLines;
    for (std::size_t i = 0; i < tk_.LineCount(Pane::Spc); ++i) spcLines.Append(tk_.Line(Pane::Spc, i));
    if (auto error = ParseProjectDefinition(spcLines, projectBase_, datasetNames_, definition_)) {
      ReportError(tk_, *error);
      return StopAfterDefinition();
    }
    std::vector<std::string> missing = MissingNames(definition_);
    for (const std::string& name : missing) ReportError(tk_, name + " not found");
    if (!missing.empty()) return StopAfterDefinition();

    TextFileWriter variableFile(folder_, projectBase_ + ".VAR");
    TransferChoices choices{tk_.TransferChoice(TransferGroup::Mplus), tk_.TransferChoice(TransferGroup::Mim),
                            tk_.TransferChoice(TransferGroup::MLwin)};
    WriteVariableFile(variableFile.out(), definition_, spssName_, choices);
    variableFile.Close();
    Report("DEF, DAT and VAR files are ready. The CAT file will be created.");

    WriteCategoryFilePhase(
        {tk_, folder_, projectBase_, spssName_, definition_.Variables, *projectText_, shell_.CodePageOfOutput()});

    // The transfers to other packages, after the category phase.
    TransferInput transfer{.Folder = folder_,
                           .ProjectBase = projectBase_,
                           .DataFileName = dataName_ + ".DAT",
                           .CaseCount = caseCount_,
                           .FieldsPerCase = datasetNames_.size(),
                           .Definition = definition_,
                           .Seed = shell_.MplusSeed};
    return RunTransfers(tk_, transfer) ? RunOutcome::Completed : RunOutcome::Interrupted;
  }

  void Report(const std::string& line) { tk_.AppendLine(Pane::Report, line); }

  RunOutcome Stop(const std::string& line) {
    Report(line);
    return RunOutcome::Stopped;
  }

  RunOutcome StopAfterDefinition() {
    projectText_->Close();
    return RunOutcome::Stopped;
  }

  void AnnouncePair(bool pairGiven) {
    const std::string dat = dataName_ + ".DAT";
    const std::string lab = dataName_ + ".LAB";
    if (!pairGiven) {
      Report("The following two files will be created:");
      Report("    " + dat);
      Report("    " + lab);
    } else if (folder_.Exists(dat) && folder_.Exists(lab)) {
      Report("The following two files will be used:");
      Report("    " + dat);
      Report("    " + lab);
    } else {
      Report(dat + " and/or " + lab + " not found");
    }
    Report("");
  }

  // Lets the user look for the SPSS data file; false when the run stops.
  bool FindSpssData() {
    if (!tk_.AskYesNo(MissingSpssDataText(spssName_) + " Do you want to find it?")) return false;
    std::optional<std::string> chosen = tk_.ChooseFileToOpen("DAT files|*.dat", "");
    if (!chosen) return false;
    WorkingFolder moved = WorkingFolder::OfFile(*chosen, folder_.Path()).first;
    moved.KeepInputsOf(folder_);
    moved.SetWriteBehind(folder_.WriteBehind());
    folder_ = std::move(moved);
    if (!folder_.Exists(spssName_ + ".DAT")) {
      tk_.ShowInfo(spssName_ + ".DAT was not found");
      return false;
    }
    if (ProjectExists(folder_, shell_.ProjectName) &&
        !tk_.AskCaptionedYesNo("Warning", "Project already exists. Continue with the same name?")) {
      shell_.ProjectName = tk_.PromptText("Project name", "Enter project name", "");
      tk_.ClearPane(Pane::Report);
      Report("The VORNEX project is " + shell_.ProjectName);
      if (auto refusal = RefuseUnsafeNames(spssName_, dataName_, shell_.ProjectName)) {
        Report(*refusal);
        return false;
      }
    }
    shell_.SpcFileName = shell_.ProjectName + ".spc";
    tk_.ProposeSaveFileName(shell_.SpcFileName);
    return true;
  }

  // Copies the SPSS data; false when the user stopped the copy.
  bool CopyData() {
    FileSource spss(folder_, spssName_ + ".DAT");
    // Only the names of the first record can keep a changed character: any
    // other field that holds one is not a number and is written as missing.
    DecodedSource text(spss, shell_.CodePageOfOutput(), 1);
    FileSink labels(folder_, dataName_ + ".LAB");
    FileSink data(folder_, dataName_ + ".DAT");
    tk_.SetCaseText("");
    tk_.SetProgress(0, spss.Size());
    CopyResult result = CopySpssData(text, data, labels, [this, &spss](std::int64_t count) {
      tk_.SetCaseText(FormatInteger(count));
      tk_.SetProgress(spss.BytesRead(), spss.Size());
      tk_.ProcessPendingMessages();
      return !tk_.StopRequested();
    });
    data.Close();
    labels.Close();
    caseCount_ = result.CaseCount;
    dataChanges_ = text.ChangedCount();
    dataChangePlaces_ = text.FirstChanged();
    if (result.Stopped) {
      Report(StoppedAtCaseLine(caseCount_));
      return false;
    }
    Report(FormatInteger(caseCount_) + " cases found on spss file");
    if (result.FittedCount > 0)
      Report(FormatInteger(result.FittedCount) + " cases did not have " +
             FormatInteger(static_cast<std::int64_t>(result.HeaderFields)) + " values and were fitted");
    return true;
  }

  void ReportChangedNames() {
    std::vector<std::string> names;
    for (const ChangedCharacter& place : dataChangePlaces_)
      if (place.Line == 1 && place.Field <= datasetNames_.size() &&
          std::find(names.begin(), names.end(), datasetNames_[place.Field - 1]) == names.end())
        names.push_back(datasetNames_[place.Field - 1]);
    std::string line = ChangedCharactersLine(spssName_ + ".DAT", shell_.CodePageOfOutput(), dataChanges_, names);
    if (!line.empty()) Report(line);
  }

  void DescribeDataset() {
    Report("");
    Report("The dataset contains " + FormatInteger(caseCount_) + " cases with " +
           FormatInteger(static_cast<std::int64_t>(datasetNames_.size())) + " variables");
    Report("The last variable = *" + (datasetNames_.empty() ? std::string() : datasetNames_.back()) + "*");
    Report("");
  }

  Toolkit& tk_;
  ShellState& shell_;
  WorkingFolder& folder_;
  std::string spssName_;
  std::string dataName_;
  std::string projectBase_;
  std::int64_t caseCount_ = 0;
  std::uint64_t dataChanges_ = 0;
  std::vector<ChangedCharacter> dataChangePlaces_;
  std::vector<std::string> datasetNames_;
  ProjectDefinition definition_;
  std::unique_ptr<TextFileWriter> projectText_;
};

}  // namespace

RunOutcome ExecuteProgram(Toolkit& toolkit, ShellState& shell, WorkingFolder& folder) {
  return RunState(toolkit, shell, folder).Execute();
}

}  // namespace s2v
