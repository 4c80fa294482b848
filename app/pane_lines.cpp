#include "app/pane_lines.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace s2v {

QString ToPaneText(const std::string& bytes) {
  QString text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  text.replace(QChar('\n'), QChar::LineSeparator);
  return text;
}

std::string FromPaneText(const QString& text) {
  QString copy = text;
  copy.replace(QChar::LineSeparator, QChar('\n'));
  QByteArray bytes = copy.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void ClearLines(QPlainTextEdit& pane) { pane.clear(); }

void AppendPaneLine(QPlainTextEdit& pane, const std::string& line) {
  QTextCursor cursor(pane.document());
  cursor.movePosition(QTextCursor::End);
  cursor.beginEditBlock();
  // Text typed after the last line break is a line of its own.
  if (!cursor.block().text().isEmpty()) cursor.insertBlock();
  cursor.insertText(ToPaneText(line));
  cursor.insertBlock();
  cursor.endEditBlock();
}

void SetPaneLines(QPlainTextEdit& pane, const std::vector<std::string>& lines) {
  QString text;
  for (const std::string& line : lines) {
    text += ToPaneText(line);
    text += QChar('\n');
  }
  pane.setPlainText(text);
}

std::size_t PaneLineCount(const QPlainTextEdit& pane) {
  const QTextDocument* document = pane.document();
  int blocks = document->blockCount();
  if (document->lastBlock().text().isEmpty()) --blocks;
  return static_cast<std::size_t>(blocks);
}

std::string PaneLine(const QPlainTextEdit& pane, std::size_t i) {
  return FromPaneText(pane.document()->findBlockByNumber(static_cast<int>(i)).text());
}

std::vector<std::string> PaneLines(const QPlainTextEdit& pane) {
  std::vector<std::string> lines;
  std::size_t count = PaneLineCount(pane);
  lines.reserve(count);
  QTextBlock block = pane.document()->firstBlock();
  for (std::size_t i = 0; i < count; ++i, block = block.next()) lines.push_back(FromPaneText(block.text()));
  return lines;
}

}  // namespace s2v
