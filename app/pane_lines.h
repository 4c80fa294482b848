// The lines of a text pane as the run and the commands see them. Bytes map to
// characters as Latin-1 both ways; a line feed inside a line is shown as a
// line break within the line, so it survives the trip back to a file.
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <vector>

class QPlainTextEdit;

namespace s2v {

QString ToPaneText(const std::string& bytes);
// Characters beyond Latin-1 become "?".
std::string FromPaneText(const QString& text);

// A pane holds its lines each ended by a line break, so the empty block after
// the last break is not a line and an empty pane has none.
void ClearLines(QPlainTextEdit& pane);
void AppendPaneLine(QPlainTextEdit& pane, const std::string& line);
void SetPaneLines(QPlainTextEdit& pane, const std::vector<std::string>& lines);
std::size_t PaneLineCount(const QPlainTextEdit& pane);
std::string PaneLine(const QPlainTextEdit& pane, std::size_t i);
std::vector<std::string> PaneLines(const QPlainTextEdit& pane);

}  // namespace s2v
