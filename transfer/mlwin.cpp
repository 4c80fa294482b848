// The MLwiN transfer: a bare data file of the original values, a constant 1
// and the case number; the same file for both choices.
#include "support/background_sink.h"
#include "support/number_format.h"
#include "support/working_folder.h"
#include "transfer/case_reader.h"
#include "transfer/project_columns.h"
#include "transfer/transfers.h"
#include "transfer/value_format.h"

namespace s2v {

namespace {

void ShowReady(Toolkit& toolkit, std::int64_t cases) {
  toolkit.ShowInfo("MLwiN data ready. " + FormatInteger(cases) + " SPSS records were transferred");
}

}  // namespace

bool TransferToMLwiN(Toolkit& toolkit, const TransferInput& input, PassingFile* made) {
  if (toolkit.TransferChoice(TransferGroup::MLwin) < 1) return true;
  toolkit.ShowInfo("Transfer to MLwiN not ready");
  if (made != nullptr) {
    made->PutInPlace(input.ProjectBase + ".mln");
    ShowReady(toolkit, input.CaseCount);
    return true;
  }
  BackgroundFileWriter file(input.Folder, input.ProjectBase + ".mln");
  {
    FileSource data(input.Folder, input.DataFileName);
    CaseReader reader(data, input.FieldsPerCase, ProjectColumns(input.Definition));
    BufferedWriter& out = file.out();
    for (std::int64_t c = 1; c <= input.CaseCount; ++c) {
      if (StopBeforeCase(toolkit, c - 1, input.CaseCount)) {
        file.Close();
        toolkit.AppendLine(Pane::Report, StoppedAtCaseLine(c - 1));
        return false;
      }
      reader.WriteCase(out, kMLwinWholeTolerance);
      PutMLwinTail(out, c);
    }
  }
  ShowAllCasesDone(toolkit, input.CaseCount);
  file.Close();
  ShowReady(toolkit, input.CaseCount);
  return true;
}

}  // namespace s2v
