// The lines of a text pane as the run and the commands see them. Bytes map to
// characters as Windows-1252, the code page of SPSS's exports on Windows and
// of VORNEX, one character per byte both ways (its five unassigned bytes to
// the control characters of the same codes); a line feed inside a line is
// shown as a line break within the line, so it survives the trip back to a
// file.
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class QPlainTextEdit;

namespace s2v {

// The characters of 8-bit text, as a message or a pane shows them.
QString FromWindows1252(std::string_view bytes);
QString ToPaneText(const std::string& bytes);
// Characters that Windows-1252 cannot hold become "?".
std::string FromPaneText(const QString& text);

// A pane holds its lines each ended by a line break, so the empty block after
// the last break is not a line and an empty pane has none.
void ClearLines(QPlainTextEdit& pane);
void AppendPaneLine(QPlainTextEdit& pane, const std::string& line);
void SetPaneLines(QPlainTextEdit& pane, const std::vector<std::string>& lines);
// Replaces the pane's lines as one edit that undo takes back whole.
void ReplacePaneLines(QPlainTextEdit& pane, const std::vector<std::string>& lines);
std::size_t PaneLineCount(const QPlainTextEdit& pane);
std::string PaneLine(const QPlainTextEdit& pane, std::size_t i);
std::vector<std::string> PaneLines(const QPlainTextEdit& pane);

}  // namespace s2v
