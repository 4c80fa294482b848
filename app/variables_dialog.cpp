#include "app/variables_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>

#include "app/pane_lines.h"
#include "assist/check_definition.h"
#include "assist/draft_definition.h"
#include "assist/variable_statistics.h"
#include "run/shell_rules.h"
#include "support/number_format.h"

namespace s2v {

namespace {

enum Column { kName, kProposed, kLabel, kValueLabels, kValid, kMissing, kRange, kDistinct, kColumns };

QString Number(double x) {
  char text[64];
  auto result = std::to_chars(text, text + sizeof text, x);
  return QString::fromLatin1(text, result.ptr - text);
}

QString ValueLabelsOf(const VariableDescription& v) {
  QStringList labels;
  for (const DictionaryLabel& label : v.ValueLabels)
    labels << FromWindows1252(label.Code) + QStringLiteral(" ") + FromWindows1252(label.Text);
  return labels.join(QStringLiteral("; "));
}

QTableWidgetItem* Cell(const QString& text) {
  auto* item = new QTableWidgetItem(text);
  item->setFlags(item->flags() & ~Qt::ItemIsEditable);
  return item;
}

// The lines of a template after its first line, which names the export.
bool IsTemplate(const std::vector<std::string>& lines) {
  auto sameAfterFirst = [&](const std::vector<std::string>& model) {
    return lines.size() == model.size() && std::equal(lines.begin() + 1, lines.end(), model.begin() + 1);
  };
  return lines.empty() || sameAfterFirst(NewProjectTemplate()) || sameAfterFirst(OpenProjectTemplate());
}

}  // namespace

TVariablesDialog::TVariablesDialog(const ExportDescription& description,
                                   const std::map<std::string, std::size_t>& defined, QWidget* parent)
    : QDialog(parent), description_(description) {
  setObjectName(QStringLiteral("VariablesDialog"));
  setWindowTitle(QStringLiteral("Variables of the SPSS files"));
  filter_ = new QLineEdit;
  filter_->setObjectName(QStringLiteral("FilterEdit"));
  filter_->setPlaceholderText(QStringLiteral("Filter by name or label"));
  connect(filter_, &QLineEdit::textChanged, this, &TVariablesDialog::ApplyFilter);

  table_ = new QTableWidget(static_cast<int>(description.Variables.size()), kColumns);
  table_->setObjectName(QStringLiteral("VariablesTable"));
  table_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Proposed line"), QStringLiteral("Label"),
                                     QStringLiteral("Value labels"), QStringLiteral("Valid"), QStringLiteral("Missing"),
                                     QStringLiteral("Range"), QStringLiteral("Distinct")});
  table_->verticalHeader()->setVisible(false);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  for (std::size_t i = 0; i < description.Variables.size(); ++i) {
    const VariableDescription& v = description.Variables[i];
    const DraftLine draft = DraftVariableLine(v, 4);
    const auto definedAt = defined.find(v.DatasetName);
    const bool canAdd = draft.Reason.empty() && definedAt == defined.end();
    lines_.push_back(canAdd ? draft.Line : std::string());
    const int row = static_cast<int>(i);
    QTableWidgetItem* name = Cell(FromWindows1252(v.Name));
    if (canAdd) {
      name->setFlags(name->flags() | Qt::ItemIsUserCheckable);
      name->setCheckState(Qt::Unchecked);
    } else {
      name->setFlags(name->flags() & ~Qt::ItemIsUserCheckable);
    }
    table_->setItem(row, kName, name);
    QString proposed = FromWindows1252(draft.Line);
    if (definedAt != defined.end())
      proposed = QStringLiteral("in the definition, line %1").arg(definedAt->second);
    else if (!draft.Reason.empty())
      proposed = QStringLiteral("no line: ") + FromWindows1252(draft.Reason);
    QTableWidgetItem* proposal = Cell(proposed);
    if (!canAdd) {
      QFont font = proposal->font();
      font.setItalic(true);
      proposal->setFont(font);
      proposal->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    }
    table_->setItem(row, kProposed, proposal);
    table_->setItem(row, kLabel, Cell(FromWindows1252(v.Label)));
    table_->setItem(row, kValueLabels, Cell(ValueLabelsOf(v)));
    table_->setItem(row, kValid, Cell(QString::number(v.Valid)));
    table_->setItem(row, kMissing, Cell(QString::number(v.Missing)));
    table_->setItem(row, kRange,
                    Cell(v.Valid > 0 ? Number(v.Minimum) + QStringLiteral(" - ") + Number(v.Maximum) : QString()));
    table_->setItem(row, kDistinct,
                    Cell(v.Distinct > kMaxDistinctCounted ? QStringLiteral("more than %1").arg(kMaxDistinctCounted)
                                                          : QString::number(v.Distinct)));
  }
  table_->resizeColumnsToContents();

  auto* buttons = new QDialogButtonBox;
  QPushButton* add = buttons->addButton(QStringLiteral("Add to definition"), QDialogButtonBox::AcceptRole);
  add->setObjectName(QStringLiteral("AddButton"));
  QPushButton* close = buttons->addButton(QDialogButtonBox::Close);
  close->setObjectName(QStringLiteral("CloseButton"));
  connect(add, &QPushButton::clicked, this, &TVariablesDialog::AddToDefinition);
  connect(close, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(new QLabel(QStringLiteral("%1.DAT: %2 cases, %3 variables")
                                   .arg(FromWindows1252(description.SpssName))
                                   .arg(description.Cases)
                                   .arg(description.Variables.size())));
  layout->addWidget(filter_);
  layout->addWidget(table_);
  layout->addWidget(buttons);
  resize(1000, 600);
}

void TVariablesDialog::ApplyFilter(const QString& text) {
  for (int row = 0; row < table_->rowCount(); ++row) {
    const bool shown = text.isEmpty() || table_->item(row, kName)->text().contains(text, Qt::CaseInsensitive) ||
                       table_->item(row, kLabel)->text().contains(text, Qt::CaseInsensitive);
    table_->setRowHidden(row, !shown);
  }
}

void TVariablesDialog::AddToDefinition() {
  chosen_.clear();
  for (int row = 0; row < table_->rowCount(); ++row)
    if (table_->item(row, kName)->checkState() == Qt::Checked && !lines_[static_cast<std::size_t>(row)].empty())
      chosen_.push_back(lines_[static_cast<std::size_t>(row)]);
  accept();
}

std::vector<std::string> AddVariableLines(const std::vector<std::string>& spcLines, const std::string& spssName,
                                          const std::vector<std::string>& variableLines,
                                          const std::string& projectName) {
  if (IsTemplate(spcLines)) {
    std::vector<std::string> lines = {spcLines.empty() ? spssName : spcLines.front(),
                                      FormatInteger(static_cast<std::int64_t>(variableLines.size()))};
    lines.insert(lines.end(), variableLines.begin(), variableLines.end());
    return lines;
  }
  const DefinitionCheck check = CheckDefinitionLines(SpcText(spcLines), projectName, ExportHead{});
  std::vector<std::string> lines = spcLines;
  while (lines.size() < 2) lines.emplace_back();
  std::int64_t count = 0;
  std::string_view line2 = lines[1];
  line2.remove_prefix(std::min(line2.find_first_not_of(' '), line2.size()));
  std::from_chars(line2.data(), line2.data() + line2.size(), count);
  lines[1] = FormatInteger(count + static_cast<std::int64_t>(variableLines.size()));
  const std::size_t after = std::clamp<std::size_t>(check.LastLine, 2, lines.size());
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(after), variableLines.begin(), variableLines.end());
  return lines;
}

}  // namespace s2v
