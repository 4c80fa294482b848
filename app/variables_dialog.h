// The Variables dialog: the variables of an export as the description gives
// them, each with its proposed line beside its name, a filter and check
// boxes; "Add to definition" hands the draft lines of the checked ones to the
// window. A variable already defined or without a proposal cannot be ticked.
#pragma once

#include <QDialog>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "assist/export_description.h"

class QLineEdit;
class QTableWidget;

namespace s2v {

class TVariablesDialog : public QDialog {
  Q_OBJECT

 public:
  // defined: the names the definition has (as a run looks them up) and their
  // lines; their rows are marked and cannot be ticked again.
  TVariablesDialog(const ExportDescription& description, const std::map<std::string, std::size_t>& defined = {},
                   QWidget* parent = nullptr);

  // The draft lines of the checked variables that can have one, in the
  // export's order; filled when the dialog was closed by "Add to definition".
  const std::vector<std::string>& ChosenLines() const { return chosen_; }
  QTableWidget& Table() { return *table_; }
  QLineEdit& Filter() { return *filter_; }
  // Presses "Add to definition".
  void AddToDefinition();

 private:
  void ApplyFilter(const QString& text);

  const ExportDescription& description_;
  std::vector<std::string> lines_;  // the proposed line of each variable, or empty
  std::vector<std::string> chosen_;
  QLineEdit* filter_ = nullptr;
  QTableWidget* table_ = nullptr;
};

// The lines of a definition with variable lines added: after the last
// variable line a run reads, with line 2's count raised by their number; in
// place of a template still untouched, a definition of its own (line 1 the
// SPSS name).
std::vector<std::string> AddVariableLines(const std::vector<std::string>& spcLines, const std::string& spssName,
                                          const std::vector<std::string>& variableLines,
                                          const std::string& projectName);

}  // namespace s2v
