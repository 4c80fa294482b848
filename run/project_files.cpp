#include "run/project_files.h"

#include "support/number_format.h"

namespace s2v {

void WriteProjectTextHeader(BufferedWriter& out, const std::string& spssName) {
  out.PutLine("Variables transferred from " + spssName + ":");
  out.EndLine();
}

void WriteDefinitionFile(BufferedWriter& out, std::size_t datasetVariableCount, const std::string& dataName) {
  out.PutLine(FormatInteger(static_cast<std::int64_t>(datasetVariableCount)));
  out.PutLine("FILES");
  out.PutLine("D " + dataName + ".DAT");
}

namespace {

void PutTransferLine(BufferedWriter& out, int choice, const std::string& package) {
  if (choice == 1) out.PutLine(package + " project created (not categorized)");
  if (choice == 2) out.PutLine(package + " project created (categorized)");
}

}  // namespace

void WriteVariableFile(BufferedWriter& out, const ProjectDefinition& definition, const std::string& spssName,
                       const TransferChoices& choices) {
  out.PutLine(FormatInteger(definition.VariableCount()));
  for (const VariableDefinition& var : definition.Variables) {
    out.Put(var.Letter);
    out.PutLine(" " + FormatInteger(var.DatasetColumn) + " " + FormatInteger(var.CategoryCount) + " 3");
    bool decimal = var.ValueKind == WordKind::Decimal;
    for (double bound : var.Bounds) out.Put(RightAlign(FormatFixed(bound, decimal ? 2 : 0), decimal ? 10 : 8));
    out.EndLine();
  }
  out.PutLine(FormatInteger(static_cast<std::int64_t>(definition.BlockEnds.size())));
  for (int end : definition.BlockEnds) out.Put(RightAlign(FormatInteger(end), 3));
  out.EndLine();
  out.PutLine("COMMENTS");
  out.PutLine("Data from " + spssName + ".TXT");
  PutTransferLine(out, choices.Mim, "MIM");
  PutTransferLine(out, choices.Mplus, "Mplus");
  PutTransferLine(out, choices.MLwin, "MLwiN");
  out.PutLine("VARIABLENAMES");
  for (const VariableDefinition& var : definition.Variables) {
    out.Put(var.Letter);
    out.PutLine(" " + var.Name);
  }
}

}  // namespace s2v
