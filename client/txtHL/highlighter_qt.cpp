#include "highlighter_qt.h"

#include <QTextBlock>

namespace txthl {
namespace {

QTextCharFormat Format(const Range& range) {
  QTextCharFormat format;
  format.setForeground(QColor(range.colour.red, range.colour.green, range.colour.blue));
  format.setFontWeight(range.bold ? QFont::Bold : QFont::Normal);
  return format;
}

}  // namespace

std::string LineText(const QString& text) {
  const QByteArray latin = text.toLatin1();  // one byte per UTF-16 unit
  return std::string(latin.constData(), static_cast<std::size_t>(latin.size()));
}

void InputHighlighter::SetWordAtCursor(int block, int cursor_column) {
  const int previous = word_block_;
  word_block_ = block;
  word_column_ = cursor_column;
  if (previous >= 0 && previous != block) rehighlightBlock(document()->findBlockByNumber(previous));
  if (block >= 0) rehighlightBlock(document()->findBlockByNumber(block));
}

void InputHighlighter::highlightBlock(const QString& text) {
  const std::string line = LineText(text);
  for (const Range& range : HighlightLine(line).ranges) {
    setFormat(range.start, range.length, Format(range));
  }
  if (currentBlock().blockNumber() == word_block_) {
    for (const Range& range : HighlightWordAtCursor(line, word_column_).ranges) {
      setFormat(range.start, range.length, Format(range));
    }
  }
}

void OutputHighlighter::highlightBlock(const QString& text) {
  for (const Range& range : HighlightOutput(LineText(text))) {
    setFormat(range.start, range.length, Format(range));
  }
}

}  // namespace txthl
