// The Mplus transfer: the input file for both choices, the data file with
// the Dummy column for original variables.
#include <memory>

#include "support/number_format.h"
#include "support/random.h"
#include "support/working_folder.h"
#include "transfer/case_reader.h"
#include "transfer/dummy_value.h"
#include "transfer/mplus_input.h"
#include "transfer/project_columns.h"
#include "transfer/transfers.h"
#include "transfer/value_format.h"

namespace s2v {

namespace {

// Each case's values in project order, then a standard normal draw
// (NormalRandom, shown with 6 decimals).
void WriteMplusData(BufferedWriter& out, const TransferInput& input) {
  FileSource data(input.DataFileName);
  CaseReader reader(data, input.FieldsPerCase, ProjectColumns(input.Definition));
  if (input.Seed)
    RandomSeed = *input.Seed;
  else
    SeedFromClock();
  for (std::int64_t c = 0; c < input.CaseCount; ++c) {
    reader.WriteCase(out, kMplusWholeTolerance);
    out.Put(' ');
    PutSixDecimals(out, DummyValue(UniformRandom()));
    out.EndLine();
  }
}

}  // namespace

void TransferToMplus(Toolkit& toolkit, const TransferInput& input) {
  int choice = toolkit.TransferChoice(TransferGroup::Mplus);
  if (choice < 1) return;
  TextFileWriter inputFile(input.ProjectBase + ".inp");
  std::unique_ptr<TextFileWriter> dataFile;
  if (choice == 1) dataFile = std::make_unique<TextFileWriter>(input.ProjectBase + ".mpd");
  std::string dataFileName = input.ProjectBase + (choice == 1 ? ".mpd" : ".sys");
  WriteMplusInput(inputFile.out(), input.ProjectBase, dataFileName, input.Definition, choice);
  inputFile.Close();
  toolkit.ShowInfo("Mplus project file ready");
  if (!dataFile) return;

  WriteMplusData(dataFile->out(), input);
  dataFile->Close();
  toolkit.ShowInfo("Mplus data ready. " + FormatInteger(input.CaseCount) + " SPSS records was transfered");
}

}  // namespace s2v
