// The MLwiN transfer: a bare data file of the original values, a constant 1
// and the case number; the same file for both choices.
#include <charconv>
#include <string_view>

#include "support/number_format.h"
#include "support/working_folder.h"
#include "transfer/case_reader.h"
#include "transfer/project_columns.h"
#include "transfer/transfers.h"
#include "transfer/value_format.h"

namespace s2v {

bool TransferToMLwiN(Toolkit& toolkit, const TransferInput& input) {
  if (toolkit.TransferChoice(TransferGroup::MLwin) < 1) return true;
  toolkit.ShowInfo("Transfer to MLwiN not ready");
  TextFileWriter file(input.Folder, input.ProjectBase + ".mln");
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
      // " 1 " and the case number, formatted in place.
      char tail[32] = " 1 ";
      auto result = std::to_chars(tail + 3, tail + sizeof tail, c);
      out.Put(std::string_view(tail, static_cast<std::size_t>(result.ptr - tail)));
      out.EndLine();
    }
  }
  file.Close();
  toolkit.ShowInfo("MLwiN data ready. " + FormatInteger(input.CaseCount) + " SPSS records were transferred");
  return true;
}

}  // namespace s2v
