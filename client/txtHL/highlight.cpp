// The colouring rules: every keyword of the table in turn, matched without
// regard to case; a keyword longer than one character is refused where a
// letter touches its first occurrence; a comment ends the line's colouring.
#include "highlight.h"

#include "../../AuxFunct/text.h"

namespace txthl {
namespace {

using Kind = Keyword::Kind;

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

Range Coloured(Kind kind, std::size_t start, std::size_t end) {
  Range r{static_cast<int>(start), static_cast<int>(end - start), kFunctionColour, false};
  switch (kind) {
    case Kind::Comment: r.colour = kCommentColour; break;
    case Kind::Parenthesis: r.colour = kParenColour; break;
    case Kind::Script: r.colour = kKeywordColour, r.bold = true; break;
    case Kind::Function: break;
    case Kind::Constant: break;
    case Kind::Output: r.colour = kErrorColour, r.bold = true; break;
  }
  return r;
}

// The end of an occurrence at pos: a comment runs to the end of the line,
// "(" to its matching ")" included, anything else over its own length.
std::size_t RangeEnd(const std::string& text, const std::string& key, Kind kind, std::size_t pos) {
  if (kind == Kind::Comment) return text.size();
  if (key == "(") {
    int depth = 0;
    for (std::size_t i = pos; i < text.size(); ++i) {
      if (text[i] == '(') ++depth;
      if (text[i] == ')' && --depth == 0) return i + 1;
    }
    return text.size();
  }
  return pos + key.size();
}

bool TouchesLetter(const std::string& text, std::size_t pos, std::size_t length) {
  return (pos > 0 && IsLetter(text[pos - 1])) ||
         (pos + length < text.size() && IsLetter(text[pos + length]));
}

bool IsNameChar(char c) { return IsLetter(c) || (c >= '0' && c <= '9') || c == '_'; }

// Every occurrence of a constant that stands as a whole word ("e" in "2*e",
// not in "1e-3" or "exp").
void ColourConstant(const std::string& text, const std::string& key, int cursor_column,
                    const Keyword& keyword, Highlight& out) {
  for (std::size_t pos = text.find(key); pos != std::string::npos; pos = text.find(key, pos + 1)) {
    const std::size_t end = pos + key.size();
    if ((pos > 0 && IsNameChar(text[pos - 1])) || (end < text.size() && IsNameChar(text[end]))) {
      continue;
    }
    out.ranges.push_back(Coloured(Kind::Constant, pos, end));
    const int column = static_cast<int>(pos) + 1;
    if (cursor_column >= column && cursor_column <= static_cast<int>(end) + 1) {
      out.help = HelpText(keyword);
    }
  }
}

// Colours text with the keywords of the given kinds, as HighlightLine
// describes; the help of the range holding the cursor goes to out.help.
Highlight Apply(std::string_view line, int cursor_column, bool output) {
  Highlight out;
  std::string text = aux::Upper(line);
  for (const Keyword& keyword : Keywords()) {
    if ((keyword.kind == Kind::Output) != output) continue;
    const std::string key = aux::Upper(keyword.text);
    if (keyword.kind == Kind::Constant) {
      ColourConstant(text, key, cursor_column, keyword, out);
      continue;
    }
    std::size_t pos = text.find(key);
    if (pos == std::string::npos) continue;
    if (key.size() > 1 && TouchesLetter(text, pos, key.size())) continue;
    bool line_done = false;
    while (pos != std::string::npos) {
      const std::size_t end = RangeEnd(text, key, keyword.kind, pos);
      out.ranges.push_back(Coloured(keyword.kind, pos, end));
      const int column = static_cast<int>(pos) + 1;
      if (cursor_column >= column && cursor_column <= static_cast<int>(end) + 1 && !output) {
        out.help = HelpText(keyword);
      }
      if (pos == 0 && end >= text.size()) {
        line_done = true;
        break;
      }
      if (keyword.kind == Kind::Comment) {
        text.erase(pos);  // nothing in the comment is coloured again
        break;
      }
      pos = text.find(key, end);
    }
    if (line_done) break;
  }
  return out;
}

}  // namespace

std::string HelpText(const Keyword& keyword) {
  if (keyword.kind == Kind::Constant) {
    return "Constant: " + aux::Upper(keyword.text) + " = " + keyword.description;
  }
  if (keyword.kind == Kind::Function || keyword.kind == Kind::Output) {
    return "Function: " + aux::Upper(keyword.text);
  }
  std::string text = keyword.description;
  for (std::size_t p; (p = text.find("//")) != std::string::npos;) {
    text = text.substr(0, p) + "\r\n" + text.substr(p + 2);
  }
  return text;
}

Highlight HighlightLine(std::string_view line, int cursor_column) {
  return Apply(line, cursor_column, false);
}

std::vector<Range> HighlightOutput(std::string_view line) { return Apply(line, 0, true).ranges; }

Highlight HighlightWordAtCursor(std::string_view line, int cursor_column) {
  const std::string text = aux::Upper(line);
  auto word_char = [](char c) { return (c >= 'A' && c <= 'Z') || c == '_' || c == '.'; };
  std::size_t at = static_cast<std::size_t>(cursor_column > 0 ? cursor_column - 1 : 0);
  at = std::min(at, text.size());
  std::size_t start = at;
  while (start > 0 && word_char(text[start - 1])) --start;
  std::size_t end = at;
  while (end < text.size() && word_char(text[end])) ++end;
  Highlight out;
  if (start == end) return out;
  const std::string word = text.substr(start, end - start);
  for (const Keyword& keyword : Keywords()) {
    if (keyword.kind == Kind::Output || aux::Trim(aux::Upper(keyword.text)) != word) continue;
    // A constant's letter inside a number ("1e-3") is none.
    if (keyword.kind == Kind::Constant && ((start > 0 && IsNameChar(text[start - 1])) ||
                                           (end < text.size() && IsNameChar(text[end])))) {
      break;
    }
    out.ranges.push_back(Coloured(keyword.kind, start, end));
    out.help = HelpText(keyword);
    break;
  }
  return out;
}

}  // namespace txthl
