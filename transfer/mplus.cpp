// The Mplus transfer: the input file for both choices, the data file with
// the Dummy column for original variables.
#include <memory>

#include "model/kept_wordings.h"
#include "support/background_sink.h"
#include "support/number_format.h"
#include "support/random.h"
#include "support/working_folder.h"
#include "transfer/case_reader.h"
#include "transfer/dummy_column.h"
#include "transfer/mplus_input.h"
#include "transfer/project_columns.h"
#include "transfer/transfers.h"
#include "transfer/value_format.h"

namespace s2v {

namespace {

// Each case's values in project order, then a standard normal draw
// (shown with 6 decimals, drawn beside the reading); the same
// values and the MLwiN tail to mlwinLines when given. Returns the cases
// written: fewer than the input's when the user stopped the run.
std::int64_t WriteMplusData(Toolkit& toolkit, BufferedWriter& out, BufferedWriter* mlwinLines,
                            const TransferInput& input) {
  FileSource data(input.Folder, input.DataFileName);
  CaseReader reader(data, input.FieldsPerCase, ProjectColumns(input.Definition));
  DummyColumn dummies(input.CaseCount, UniformRandom(input.Seed.value_or(ClockSeed())));
  for (std::int64_t c = 0; c < input.CaseCount; ++c) {
    if (StopBeforeCase(toolkit, c, input.CaseCount)) return c;
    if (mlwinLines != nullptr) {
      reader.WriteCase(out, kMplusWholeTolerance, *mlwinLines, kMLwinWholeTolerance);
      PutMLwinTail(*mlwinLines, c + 1);
    } else {
      reader.WriteCase(out, kMplusWholeTolerance);
    }
    out.Put(' ');
    out.Put(dummies.Next());
    out.EndLine();
  }
  ShowAllCasesDone(toolkit, input.CaseCount);
  return input.CaseCount;
}

}  // namespace

bool TransferToMplus(Toolkit& toolkit, const TransferInput& input, BufferedWriter* mlwinLines) {
  int choice = toolkit.TransferChoice(TransferGroup::Mplus);
  if (choice < 1) return true;
  TextFileWriter inputFile(input.Folder, input.ProjectBase + ".inp");
  std::unique_ptr<BackgroundFileWriter> dataFile;
  if (choice == 1) dataFile = std::make_unique<BackgroundFileWriter>(input.Folder, input.ProjectBase + ".mpd");
  std::string dataFileName = input.ProjectBase + (choice == 1 ? ".mpd" : ".sys");
  WriteMplusInput(inputFile.out(), input.ProjectBase, dataFileName, input.Definition, choice);
  inputFile.Close();
  toolkit.ShowInfo("Mplus project file ready");
  if (!dataFile) return true;

  const std::int64_t written = WriteMplusData(toolkit, dataFile->out(), mlwinLines, input);
  dataFile->Close();
  if (written < input.CaseCount) {
    toolkit.AppendLine(Pane::Report, StoppedAtCaseLine(written));
    return false;
  }
  toolkit.ShowInfo("Mplus data ready. " + FormatInteger(input.CaseCount) + kMplusRecordsTransferred);
  return true;
}

}  // namespace s2v
