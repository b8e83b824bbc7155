// The colouring rules applied to Qt editors: the Input box colours every
// line as it changes (and, on request, the keyword under the cursor); the
// Output box colours its error markers.
#pragma once

#include <QSyntaxHighlighter>
#include <QTextDocument>

#include "highlight.h"

namespace txthl {

class InputHighlighter : public QSyntaxHighlighter {
 public:
  explicit InputHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}
  // Colours the keyword under the cursor of that line (block) as well; -1
  // for none.
  void SetWordAtCursor(int block, int cursor_column);

 protected:
  void highlightBlock(const QString& text) override;

 private:
  int word_block_ = -1;
  int word_column_ = 0;
};

class OutputHighlighter : public QSyntaxHighlighter {
 public:
  explicit OutputHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

 protected:
  void highlightBlock(const QString& text) override;
};

// A line of an editor as the rules read it: one byte per character, so
// that columns stay those of the editor.
std::string LineText(const QString& text);

}  // namespace txthl
