#include "app/pane_lines.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include "support/windows_1252.h"

namespace s2v {

namespace {

char ByteOf(char16_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<char>(c);
  for (std::size_t i = 0; i < kWindows1252High.size(); ++i)
    if (kWindows1252High[i] == c) return static_cast<char>(0x80 + i);
  return '?';
}

}  // namespace

QString FromWindows1252(std::string_view bytes) {
  QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
  QChar* out = text.data();
  for (char b : bytes) {
    auto code = static_cast<unsigned char>(b);
    *out++ = QChar(static_cast<char16_t>(Windows1252Character(code)));
  }
  return text;
}

QString ToPaneText(const std::string& bytes) {
  QString text = FromWindows1252(bytes);
  text.replace(QChar('\n'), QChar::LineSeparator);
  return text;
}

std::string FromPaneText(const QString& text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (QChar c : text) bytes += c == QChar::LineSeparator ? '\n' : ByteOf(c.unicode());
  return bytes;
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

namespace {

QString TextOfLines(const std::vector<std::string>& lines) {
  QString text;
  for (const std::string& line : lines) {
    text += ToPaneText(line);
    text += QChar('\n');
  }
  return text;
}

}  // namespace

void SetPaneLines(QPlainTextEdit& pane, const std::vector<std::string>& lines) {
  pane.setPlainText(TextOfLines(lines));
}

void ReplacePaneLines(QPlainTextEdit& pane, const std::vector<std::string>& lines) {
  QTextCursor cursor(pane.document());
  cursor.beginEditBlock();
  cursor.select(QTextCursor::Document);
  cursor.insertText(TextOfLines(lines));
  cursor.endEditBlock();
  cursor.movePosition(QTextCursor::Start);
  pane.setTextCursor(cursor);
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
