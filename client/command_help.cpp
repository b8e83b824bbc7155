#include "command_help.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "../AuxFunct/text.h"
#include "interpreter.h"
#include "txtHL/highlight.h"

namespace corvane {
namespace {

using txthl::Keyword;

// "'Expr ' : calculate ... // Syntax: Expr = expression (es. ...)": the
// summary is what follows the quoted name up to "//".
std::string Summary(const std::string& description) {
  std::string_view text = description;
  text = text.substr(0, text.find("//"));
  if (!text.empty() && text.front() == '\'') {
    const std::size_t close = text.find('\'', 1);
    if (close != std::string_view::npos) {
      text.remove_prefix(close + 1);
      text = aux::TrimView(text);
      if (!text.empty() && text.front() == ':') text.remove_prefix(1);
    }
  }
  return aux::Trim(text);
}

// The text after "Syntax:" up to its example; "" without one.
std::string Syntax(const std::string& description) {
  const std::size_t at = description.find("Syntax:");
  if (at == std::string::npos) return {};
  std::string syntax = description.substr(at + 7);
  syntax = syntax.substr(0, syntax.find("(es."));
  syntax = syntax.substr(0, syntax.find(" - can use"));
  syntax = aux::Trim(syntax);
  // A closing full stop goes; an ellipsis stays.
  if (syntax.size() > 1 && syntax.back() == '.' && syntax[syntax.size() - 2] != '.') {
    syntax.pop_back();
  }
  return aux::Trim(syntax);
}

// Words on lines of at most width characters, each line indented by indent
// blanks.
std::string Wrapped(const std::vector<std::string>& words, std::size_t width,
                    std::size_t indent = 2) {
  std::string out;
  const std::string margin(indent, ' ');
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty() && margin.size() + line.size() + 1 + word.size() > width) {
      out += margin + line + "\n";
      line.clear();
    }
    line += (line.empty() ? "" : " ") + word;
  }
  if (!line.empty()) out += margin + line + "\n";
  return out;
}

std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  for (std::size_t p = 0; (p = text.find_first_not_of(' ', p)) != std::string::npos;) {
    const std::size_t end = std::min(text.find(' ', p), text.size());
    words.push_back(text.substr(p, end - p));
    p = end;
  }
  return words;
}

}  // namespace

std::string CommandsHelp() {
  std::string out =
      "Script commands (one a line: Keyword = argument; keywords in any case; ' starts\n"
      "a comment, '' copies the line to the Output):\n";
  std::vector<std::string> listed;
  for (const Keyword& k : txthl::Keywords()) {
    if (k.kind != Keyword::Kind::Script) continue;
    const std::string keyword = KeywordOf(k.text + " = 1");
    listed.push_back(keyword);
    std::string syntax = Syntax(k.description);
    if (syntax.empty()) syntax = aux::Trim(k.text) + " = ...";
    out += "  " + syntax + "\n" + Wrapped(Words(Summary(k.description)), 79, 6);
  }
  for (const std::string_view command : Interpreter::CommandKeywords()) {
    if (std::find(listed.begin(), listed.end(), command) == listed.end()) {
      out += "  " + std::string(command) + " = ...\n";
    }
  }
  out += "Corvane --list-functions lists the functions and constants of expressions.\n";
  return out;
}

std::string FunctionsList() {
  std::vector<std::string> functions;
  std::string constants;
  for (const Keyword& k : txthl::Keywords()) {
    if (k.kind == Keyword::Kind::Constant) {
      constants += "  " + k.text + " = " + k.description + "\n";
      continue;
    }
    if (k.kind != Keyword::Kind::Function) continue;
    std::string name = k.text;
    std::erase(name, '(');
    if (std::find(functions.begin(), functions.end(), name) == functions.end()) {
      functions.push_back(name);
    }
  }
  return "Functions and operators of expressions (sin(x), 7 mod 3, sum(1;2;3), det([mA])):\n" +
         Wrapped(functions, 78) +
         "Constants (ten decimals; #pi, #e, #deg, #to_deg, #rad, #to_rad are the\n"
         "single-precision values):\n" +
         constants;
}

}  // namespace corvane
