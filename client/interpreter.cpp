// The run of a script: each line trimmed, comments set aside, the keyword
// found, the command dispatched, and its block appended to the Output text.
#include "interpreter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "../AuxFunct/aux_funct.h"
#include "../net/trx_cli/trx_cli.h"
#include "files.h"
#include "text.h"

namespace corvane {
namespace {

constexpr const char* kCrLf = "\r\n";
const std::string kDefaultTag(20, ' ');
constexpr const char* kResult = "       Result => ";

std::string WithoutApostrophes(std::string text) {
  std::erase(text, '\'');
  return text;
}

// "[" and "]" around a matrix name where they are missing.
std::string Bracketed(const std::string& name) {
  std::string out = name;
  if (out.empty() || out.front() != '[') out.insert(0, "[");
  if (out.back() != ']') out += "]";
  return out;
}

// The words of text, split at runs of blanks.
std::vector<std::string> Words(const std::string& text) {
  std::vector<std::string> words;
  std::size_t p = 0;
  while ((p = text.find_first_not_of(' ', p)) != std::string::npos) {
    const std::size_t end = text.find(' ', p);
    words.push_back(text.substr(p, end == std::string::npos ? std::string::npos : end - p));
    p = end;
  }
  return words;
}

std::string Whole(double value) {
  const double r = std::nearbyint(value);
  if (!(r > -1e18 && r < 1e18)) return aux::FixedText(r, 0);
  return std::to_string(static_cast<long long>(r));
}

}  // namespace

std::string KeywordOf(const std::string& line) {
  const std::string text = Trim(line);
  if (text.empty() || text[0] == '\'') return {};
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos) return {};
  const std::size_t paren = text.find('(');
  return Lower(Trim(text.substr(0, paren < eq ? paren : eq)));
}

int Interpreter::Run(const std::string& script, const std::string& decimals_text) {
  ui_.ClosePlots();
  plots_ = 0;
  decimals_ = std::clamp(aux::IntegerOf(decimals_text), 0, 100);
  zero_mask_ = "0." + std::string(static_cast<std::size_t>(decimals_), '0');
  output_.clear();
  errors_ = 0;
  poly_variable_.clear();

  std::vector<std::string> lines;
  for (std::size_t start = 0; start <= script.size();) {
    const std::size_t end = std::min(script.find('\n', start), script.size());
    lines.push_back(script.substr(start, end - start));
    start = end + 1;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string text = Trim(lines[i]);
    if (text.rfind("''", 0) == 0) {
      output_ += text + kCrLf;
      ui_.ShowOutput(output_);
    }
    if (text.empty() || text[0] == '\'') continue;
    Line line;
    line.number = static_cast<int>(i) + 1;
    line.keyword = KeywordOf(text);
    text = text.substr(0, text.find('\''));  // a trailing comment goes
    const std::size_t eq = text.find('=');
    if (eq == std::string::npos) continue;
    line.text = text;
    line.arg = Trim(text.substr(eq + 1));
    result_tag_ = kDefaultTag;
    file_in_.clear();
    file_out_.clear();
    Dispatch(line, lines, i);
  }
  if (errors_ == 0) {
    ui_.ShowMessages("No errors", false);
  } else {
    ui_.ShowMessages(std::to_string(errors_) + " errors found", true);
  }
  return errors_;
}

void Interpreter::Dispatch(const Line& line, const std::vector<std::string>& lines,
                           std::size_t& index) {
  const std::string& k = line.keyword;
  const std::string& arg = line.arg;
  if (k == "expr") {
    Expression(line, WithoutApostrophes(arg));
  } else if (k == "exprf") {
    std::string text = FileArgument(WithoutApostrophes(arg), false);
    const std::size_t eq = text.find('=');
    if (eq != std::string::npos) text = text.substr(eq + 1);
    Expression(line, Lower(Trim(text.substr(0, text.find('\'')))));
  } else if (k == "stoexpr") {
    StoreExpression(line);
  } else if (k == "integrate") {
    IntegrateLine(line.number, line.text);
  } else if (k == "integratef") {
    IntegrateLine(line.number, FileArgument(arg, false));
  } else if (k == "varpolyn") {
    poly_variable_ = arg;
  } else if (k == "solvepolyn") {
    Solve(line);
  } else if (k == "derivate") {
    Derive(line.number, WithoutApostrophes(arg));
  } else if (k == "derivatef") {
    Derive(line.number, Trim(FileArgument(WithoutApostrophes(arg), false)));
  } else if (k == "var") {
    const std::string fields = arg + ";";
    trx_cli::SetVarFunct(Trim(aux::FieldS(fields, 1)).c_str(), Trim(aux::FieldS(fields, 2)).c_str(),
                         0);
  } else if (k == "funct") {
    const std::string body = WithoutApostrophes(arg);
    const std::size_t semicolon = body.find(';');
    const std::string name = Trim(body.substr(0, semicolon));
    const std::string expr =
        semicolon == std::string::npos ? std::string() : Trim(body.substr(semicolon + 1));
    trx_cli::SetVarFunct(name.c_str(), expr.c_str(), 1);
  } else if (k == "functf") {
    const std::vector<std::string> words = Words(WithoutApostrophes(arg));
    const std::string name = words.empty() ? std::string() : words[0];
    const std::string text = FileArgument(words.size() > 1 ? words[1] : std::string(), false);
    trx_cli::SetVarFunct(name.c_str(), text.c_str(), 1);
  } else if (k == "matr" || k == "vect") {
    Matrix(line.number, WithoutApostrophes(arg), result_tag_, 5);
  } else if (k == "matrf" || k == "vectf") {
    Matrix(line.number, FileArgument(WithoutApostrophes(arg), false), result_tag_, 5);
  } else if (k == "dimx") {
    DimXGroup(line, lines, index);
  } else if (k == "aelemorderset") {
    trx_cli::aElemOrderSet(aux::IntegerOf(arg));
  } else if (k == "aelemorderex") {
    // Answered here: the protocol has no form for it. The probe holds the
    // reals 2 and 1; its second value is not 2, so the order reads "by Col".
    const double probe[2] = {2, 1};
    const bool by_col = probe[1] != 2.0;
    AddBlock("Ln " + std::to_string(line.number) +
             ": aElemOrderEx = " + (by_col ? "by Col" : "by Row") + kCrLf);
  } else if (k == "debug") {
    trx_cli::SetDebugF(aux::IntegerOf(arg));
  } else if (k == "plot") {
    Plot plot = PlotCommand(line.text, ++plots_);
    ui_.ShowPlot(plot);
  }
}

std::string Interpreter::FileArgument(const std::string& arg, bool) {
  const std::vector<std::string> words = Words(arg);
  file_in_ = words.empty() ? std::string() : words[0];
  file_out_ = words.size() > 1 ? WithoutBrackets(words[1]) : std::string();
  if (!file_out_.empty()) result_tag_ = "=>(" + file_out_ + ")";
  return FileText(file_in_, "fileinp");
}

bool Interpreter::Failed(std::string& text, bool one_blank) {
  const int32_t code = trx_cli::GetE_Error();
  if (code == -1) return false;
  ++errors_;
  const std::string description = trx_cli::GetE_ErrDescr(code);
  text = std::string(one_blank ? "===> ERROR n. = " : "===>  ERROR n. = ") + std::to_string(code) +
         ": " + description;
  return true;
}

std::string Interpreter::NumberText(double value) const {
  return "Number = " + aux::FixedText(value, decimals_);
}

std::string Interpreter::ResultText(double value, bool derivative_arrow) {
  std::string text;
  if (Failed(text, derivative_arrow)) return text;
  if (trx_cli::GetResultType() != 1) return NumberText(value);
  // A matrix result: its value is the matrix's handle.
  const std::string handle = std::to_string(static_cast<long long>(value));
  int32_t rows = 0;
  int32_t cols = 0;
  trx_cli::FindMatrix(handle.c_str(), 9, &rows, &cols);
  const std::string printed = trx_cli::aPrint(static_cast<int32_t>(value), rows, cols, "String",
                                              zero_mask_.c_str(), "", "");
  return (cols >= 2 ? "Matrix: " : "Vector: ") + printed;
}

void Interpreter::AddBlock(const std::string& block) {
  output_ += block + kCrLf;  // every block ends with an empty line
  ui_.ShowOutput(output_);
}

void Interpreter::WriteOutputFile(const std::string& text) {
  if (result_tag_ != kDefaultTag && !file_out_.empty()) FileText(file_out_, "fileout", text);
}

void Interpreter::Expression(const Line& line, const std::string& expr) {
  double value = 0.0;
  trx_cli::e_eval(expr.c_str(), &value, 1);
  const std::string text = ResultText(value);
  AddBlock("Ln " + std::to_string(line.number) + ": Expression = " + expr + ": " + result_tag_ +
           kCrLf + kResult + text + kCrLf);
  WriteOutputFile(text);
}

void Interpreter::StoreExpression(const Line& line) {
  const std::size_t open = line.text.find('(');
  const std::size_t close =
      open == std::string::npos ? std::string::npos : line.text.find(')', open);
  std::string name = open == std::string::npos || close == std::string::npos
                         ? std::string()
                         : Trim(line.text.substr(open + 1, close - open - 1));
  const std::string fields = name + ";";
  if (!Trim(aux::FieldS(fields, 2)).empty()) {
    result_tag_ = "(=>" + std::string(aux::FieldS(fields, 2)) + " " +
                  std::string(aux::FieldS(fields, 3)) + ")";
    name = Trim(aux::FieldS(fields, 1));
  }
  const std::string expr = WithoutApostrophes(line.arg);
  double value = 0.0;
  trx_cli::e_eval(expr.c_str(), &value, 1);
  std::string stored;
  if (!Failed(stored)) {
    if (trx_cli::GetResultType() != 1) {
      const std::string fixed = aux::FixedText(value, decimals_);
      trx_cli::SetVarFunct(name.c_str(), aux::Tidy(fixed).c_str(), 0);
      stored = "Number " + name + " = " + fixed;
    } else {
      int32_t rows = 0;
      int32_t cols = 0;
      const std::string handle = std::to_string(static_cast<long long>(value));
      const double* elements = trx_cli::FindMatrix(handle.c_str(), 9, &rows, &cols);
      std::string definition =
          Bracketed(name) + "; " + std::to_string(rows) + "; " + std::to_string(cols) + ";";
      for (int32_t k = 0; elements != nullptr && k < rows * cols; ++k) {
        definition += aux::Tidy(aux::FixedText(elements[k], decimals_)) + "; ";
      }
      trx_cli::SetStrMatrix(definition.c_str(), 0, 1);
      stored = (cols == 1 ? "Vect = " : "Matr = ") + definition;
    }
  }
  AddBlock("Ln " + std::to_string(line.number) + ": Expression = " + expr + ": " + result_tag_ +
           kCrLf + "       Stored => " + stored + kCrLf);
  WriteOutputFile(stored);
}

void Interpreter::IntegrateLine(int number, const std::string& text) {
  const std::size_t open = text.find('(');
  const std::size_t close = open == std::string::npos ? std::string::npos : text.find(')', open);
  const std::string params = Lower(Trim((open == std::string::npos || close == std::string::npos
                                             ? std::string()
                                             : text.substr(open + 1, close - open - 1)) +
                                        ";"));
  const double from = aux::FieldD(params, 1);
  const double to = aux::FieldD(params, 2);
  const double steps = std::nearbyint(aux::FieldD(params, 3));
  const int method = Trim(aux::FieldS(params, 4)) == "trap" ? 1 : 0;
  const std::string var = Trim(aux::FieldS(params, 5));
  const std::size_t eq = text.find('=');
  const std::string expr = eq == std::string::npos ? std::string() : Trim(text.substr(eq + 1));
  const int32_t n = steps > 2147483647.0    ? INT32_MAX
                    : steps < -2147483648.0 ? INT32_MIN
                                            : static_cast<int32_t>(steps);
  double value = 0.0;
  trx_cli::Integrate(expr.c_str(), from, to, n, method, var.c_str(), &value);
  std::string result;
  if (!Failed(result)) result = NumberText(value);
  AddBlock("Ln " + std::to_string(number) + ": iFunction = " + expr + ": " + result_tag_ + kCrLf +
           "       Integral iFunction(" + Whole(from) + "," + Whole(to) + ") => " + result + kCrLf);
  WriteOutputFile(result);
}

void Interpreter::Solve(const Line& line) {
  const std::string polynomial = WithoutApostrophes(line.arg);
  const double root = trx_cli::dSolve(polynomial.c_str(), poly_variable_.c_str());
  std::string result;
  if (!Failed(result)) result = NumberText(root);
  AddBlock("Ln " + std::to_string(line.number) + ": Polyn = " + polynomial + ":" + kCrLf +
           "       Solution Polyn => " + result + kCrLf);
}

void Interpreter::Derive(int number, const std::string& polynomial) {
  std::string result = trx_cli::lPoly_dydx(polynomial.c_str(), poly_variable_.c_str());
  std::string error;
  if (Failed(error, true)) result = error;
  AddBlock("Ln " + std::to_string(number) + ": Polyn = " + polynomial + ":" + kCrLf +
           "       Derivate of Polyn => " + result + kCrLf);
  WriteOutputFile(result);
}

void Interpreter::Matrix(int number, const std::string& definition, const std::string& tag,
                         int blanks) {
  trx_cli::SetStrMatrix(definition.c_str(), 0, 1);
  std::string error;
  if (!Failed(error)) return;
  // Matr and Vect write their result line with five blanks, DimX with seven.
  const std::string head = blanks == 5 ? ": " + tag : ":";
  AddBlock("Ln " + std::to_string(number) + ": Expression = " + definition + head + kCrLf +
           std::string(static_cast<std::size_t>(blanks), ' ') + "Result => " + error + kCrLf);
}

void Interpreter::DimXGroup(const Line& first, const std::vector<std::string>& lines,
                            std::size_t& index) {
  // The name between "=" and "(", the sizes between "(" and ")".
  auto header = [](const std::string& text, std::string& name, std::string& sizes) {
    const std::size_t eq = text.find('=');
    const std::size_t open = text.find('(', eq == std::string::npos ? 0 : eq);
    const std::size_t close = open == std::string::npos ? std::string::npos : text.find(')', open);
    name = eq == std::string::npos || open == std::string::npos
               ? std::string()
               : Bracketed(Trim(text.substr(eq + 1, open - eq - 1)));
    sizes = close == std::string::npos ? std::string() : text.substr(open + 1, close - open - 1);
  };
  // Each element assignment adds the text after its "=", until an empty field.
  auto elements = [](const std::string& text, std::string& definition) {
    const std::size_t eq = text.find('=');
    const std::string fields =
        (eq == std::string::npos ? std::string() : text.substr(eq + 1)) + ";";
    for (int f = 2;; ++f) {
      const std::string field = Trim(aux::FieldS(fields, f));
      if (field.empty()) break;
      const std::size_t assign = field.find('=');
      definition +=
          ";" + Trim(assign == std::string::npos ? std::string() : field.substr(assign + 1));
    }
  };

  std::string name;
  std::string sizes;
  header(first.text, name, sizes);
  std::string dims = sizes + ";";
  std::replace(dims.begin(), dims.end(), ',', ';');
  std::string definition =
      name + ";" + Trim(aux::FieldS(dims, 1)) + ";" + Trim(aux::FieldS(dims, 2));
  elements(first.text, definition);
  int last = first.number;
  while (index + 1 < lines.size()) {
    std::string next = Trim(lines[index + 1]);
    if (Lower(next.substr(0, 4)) != "dimx") break;
    next = next.substr(0, next.find('\''));
    std::string next_name;
    std::string next_sizes;
    header(next, next_name, next_sizes);
    if (next_name != name) break;  // a new group: that line runs on its own
    elements(next, definition);
    ++index;
    last = static_cast<int>(index) + 1;
  }
  Matrix(last, definition, "", 7);
}

}  // namespace corvane
