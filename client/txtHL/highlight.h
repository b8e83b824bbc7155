// txtHL: which parts of a script line are coloured, how, and the in-line
// help of the keyword under the cursor. Pure functions of the line text and
// the cursor column, so the rules can be tested without a window; the
// editors apply the ranges (highlighter_qt.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace txthl {

struct Colour {
  int red = 0;
  int green = 0;
  int blue = 0;
  bool operator==(const Colour&) const = default;
};

inline constexpr Colour kCommentColour{182, 182, 182};
inline constexpr Colour kParenColour{255, 68, 0};
inline constexpr Colour kKeywordColour{0, 0, 255};  // bold
inline constexpr Colour kFunctionColour{103, 103, 255};
inline constexpr Colour kErrorColour{255, 0, 0};  // bold
inline constexpr Colour kHelpText{146, 145, 254};
inline constexpr Colour kHelpBackground{255, 255, 145};

// A coloured part of a line: columns counted from 0, in characters.
struct Range {
  int start = 0;
  int length = 0;
  Colour colour;
  bool bold = false;
  bool operator==(const Range&) const = default;
};

struct Highlight {
  std::vector<Range> ranges;  // in the order they are applied; later ones win
  std::optional<std::string> help;
};

// What the keyword table holds: the keyword texts (trailing blanks
// included) and, for the script keywords, their descriptions; for the
// constants, their values as the library reads them. Constants are
// coloured like functions, where they stand as whole words.
struct Keyword {
  enum class Kind { Comment, Parenthesis, Script, Function, Output, Constant };
  std::string text;
  std::string description;  // script keywords: the help; constants: the value
  Kind kind = Kind::Function;
};
const std::vector<Keyword>& Keywords();

// Colours one line of the Input box. cursor_column is the cursor's column
// counted from 1 (the character after the cursor), or 0 for no help.
Highlight HighlightLine(std::string_view line, int cursor_column = 0);

// The keyword equal to the word (letters, "_", ".") around the cursor:
// its range and help, or nothing.
Highlight HighlightWordAtCursor(std::string_view line, int cursor_column);

// The error markers ("ERROR n.") of one Output box line.
std::vector<Range> HighlightOutput(std::string_view line);

// The help field's text for a keyword: the description with each "//" as
// CR LF, "Function: " and the keyword in capitals, or "Constant: ", the
// name in capitals, " = " and its value.
std::string HelpText(const Keyword& keyword);

}  // namespace txthl
