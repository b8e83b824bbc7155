// The run of a script: each line trimmed, comments set aside, the keyword
// found, the command dispatched, and its block appended to the Output text.
#include "interpreter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "../AuxFunct/aux_funct.h"
#include "../AuxFunct/text.h"
#include "../net/trx_cli/trx_cli.h"
#include "files.h"
#include "number_format.h"

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

// What a value that is no finite number prints as ("inf", "-nan").
std::string NonFinite(double value) { return aux::FixedText(value, 0); }

std::string Whole(double value) {
  const double r = std::nearbyint(value);
  if (!(r > -1e18 && r < 1e18)) return aux::FixedText(r, 0);
  return std::to_string(static_cast<long long>(r));
}

}  // namespace

std::string KeywordOf(const std::string& line) {
  const std::string text = aux::Trim(line);
  if (text.empty() || text[0] == '\'') return {};
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos) return {};
  const std::size_t paren = text.find('(');
  return aux::Lower(aux::Trim(text.substr(0, paren < eq ? paren : eq)));
}

int Interpreter::Run(const std::string& script, const std::string& decimals_text) {
  ui_.ClosePlots();
  plots_ = 0;
  poly_variable_.clear();
  return RunLines(script, decimals_text, 1);
}

int Interpreter::RunLine(const std::string& line, int number, const std::string& decimals_text) {
  // Cut at a line break, the line alone: what followed would otherwise run
  // under numbers that later lines get too.
  return RunLines(line.substr(0, line.find('\n')), decimals_text, number);
}

int Interpreter::RunLines(const std::string& script, const std::string& decimals_text,
                          int first_number) {
  first_number_ = first_number;
  decimals_ = std::clamp(aux::IntegerOf(decimals_text), 0, kMaxDecimals);
  zero_mask_ = "0." + std::string(static_cast<std::size_t>(decimals_), '0');
  output_.clear();
  errors_ = 0;
  first_placed_line_ = 0;
  last_number_.reset();

  // Editors that save UTF-8 may put a byte-order mark first; it belongs to
  // no command, and left in place it would hide the first line's keyword.
  const std::string_view text_of_script = aux::WithoutByteOrderMark(script);
  std::vector<std::string> lines;
  for (std::size_t start = 0; start <= text_of_script.size();) {
    const std::size_t end = std::min(text_of_script.find('\n', start), text_of_script.size());
    lines.emplace_back(text_of_script.substr(start, end - start));
    start = end + 1;
  }
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string text = aux::Trim(lines[i]);
    if (text.rfind("''", 0) == 0) {
      output_ += text + kCrLf;
      ui_.ShowOutput(output_);
    }
    if (text.empty() || text[0] == '\'') continue;
    Line line;
    line.number = first_number + static_cast<int>(i);
    last_number_.reset();                                    // the result of the last line only
    line.text = aux::Trim(text.substr(0, text.find('\'')));  // a trailing comment goes
    line.keyword = KeywordOf(line.text);
    const std::size_t eq = line.text.find('=');
    if (eq == std::string::npos || line.keyword.empty()) {
      // A line that says nothing runnable is a mistake, not a line to skip:
      // skipped, its result would silently be missing from the run.
      ErrorBlock(line.number, line.text, "Result",
                 ClientError("unknown command: a command line reads Keyword = argument"));
      continue;
    }
    line.arg = aux::Trim(line.text.substr(eq + 1));
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

// The commands by keyword; a line whose keyword is none of them is an error.
const Interpreter::Command Interpreter::kCommands[] = {
    {"expr",
     [](auto& in, auto& line, auto&) { in.Expression(line, WithoutApostrophes(line.arg)); }},
    {"exprf", [](auto& in, auto& line, auto&) { in.ExpressionFile(line); }},
    {"stoexpr", [](auto& in, auto& line, auto&) { in.StoreExpression(line); }},
    {"integrate", [](auto& in, auto& line, auto&) { in.IntegrateLine(line.number, line.text); }},
    {"integratef", [](auto& in, auto& line, auto&) { in.IntegrateFile(line); }},
    {"varpolyn", [](auto& in, auto& line, auto&) { in.poly_variable_ = line.arg; }},
    {"solvepolyn", [](auto& in, auto& line, auto&) { in.Solve(line); }},
    {"derivate", [](auto& in, auto& line, auto&) { in.DeriveLine(line); }},
    {"derivatef", [](auto& in, auto& line, auto&) { in.DeriveFile(line); }},
    {"var", [](auto& in, auto& line, auto&) { in.Variable(line); }},
    {"funct", [](auto& in, auto& line, auto&) { in.FunctionLine(line); }},
    {"functf", [](auto& in, auto& line, auto&) { in.FunctionFile(line); }},
    {"matr", [](auto& in, auto& line, auto&) { in.MatrixLine(line); }},
    {"vect", [](auto& in, auto& line, auto&) { in.MatrixLine(line); }},
    {"matrf", [](auto& in, auto& line, auto&) { in.MatrixFile(line); }},
    {"vectf", [](auto& in, auto& line, auto&) { in.MatrixFile(line); }},
    {"dimx",
     [](auto& in, auto& line, auto& script) { in.DimXGroup(line, script.lines, script.index); }},
    {"aelemorderset",
     [](auto&, auto& line, auto&) { trx_cli::aElemOrderSet(aux::IntegerOf(line.arg)); }},
    {"aelemorderex", [](auto& in, auto& line, auto&) { in.ElementOrderExample(line); }},
    {"debug", [](auto&, auto& line, auto&) { trx_cli::SetDebugF(aux::IntegerOf(line.arg)); }},
    {"plot", [](auto& in, auto& line, auto&) { in.PlotLine(line); }},
};

bool Interpreter::IsCommand(std::string_view keyword) {
  return std::ranges::find(kCommands, keyword, &Command::keyword) != std::ranges::end(kCommands);
}

std::vector<std::string_view> Interpreter::CommandKeywords() {
  std::vector<std::string_view> keywords;
  for (const Command& command : kCommands) keywords.push_back(command.keyword);
  return keywords;
}

void Interpreter::Dispatch(const Line& line, const std::vector<std::string>& lines,
                           std::size_t& index) {
  const auto command = std::ranges::find(kCommands, line.keyword, &Command::keyword);
  if (command == std::ranges::end(kCommands)) {
    ErrorBlock(line.number, line.text, "Result",
               ClientError("unknown command '" + line.keyword + "'"));
    return;
  }
  Script script{lines, index};
  line_number_ = line.number;
  command->run(*this, line, script);
}

void Interpreter::ExpressionFile(const Line& line) {
  std::string text = FileArgument(WithoutApostrophes(line.arg), false);
  const std::size_t eq = text.find('=');
  if (eq != std::string::npos) text = text.substr(eq + 1);
  Expression(line, aux::Lower(aux::Trim(text.substr(0, text.find('\'')))));
}

void Interpreter::IntegrateFile(const Line& line) {
  IntegrateLine(line.number, FileArgument(line.arg, false));
}

void Interpreter::DeriveLine(const Line& line) {
  Derive(line.number, WithoutApostrophes(line.arg));
}

void Interpreter::DeriveFile(const Line& line) {
  Derive(line.number, aux::Trim(FileArgument(WithoutApostrophes(line.arg), false)));
}

void Interpreter::MatrixLine(const Line& line) {
  Matrix(line.number, WithoutApostrophes(line.arg), result_tag_, 5);
}

void Interpreter::MatrixFile(const Line& line) {
  Matrix(line.number, FileArgument(WithoutApostrophes(line.arg), false), result_tag_, 5);
}

void Interpreter::FunctionLine(const Line& line) {
  const std::string body = WithoutApostrophes(line.arg);
  const std::size_t semicolon = body.find(';');
  const std::string name = aux::Trim(body.substr(0, semicolon));
  const std::string expr =
      semicolon == std::string::npos ? std::string() : aux::Trim(body.substr(semicolon + 1));
  Function(line, name, expr);
}

void Interpreter::FunctionFile(const Line& line) {
  const std::vector<std::string> words = Words(WithoutApostrophes(line.arg));
  const std::string name = words.empty() ? std::string() : words[0];
  const std::string text =
      aux::Trim(FileArgument(words.size() > 1 ? words[1] : std::string(), false));
  Function(line, name, text);
}

void Interpreter::ElementOrderExample(const Line& line) {
  // Answered here: the protocol has no form for it. The probe holds the
  // reals 2 and 1; its second value is not 2, so the order reads "by Col".
  const double probe[2] = {2, 1};
  const bool by_col = probe[1] != 2.0;
  AddBlock("Ln " + std::to_string(line.number) +
           ": aElemOrderEx = " + (by_col ? "by Col" : "by Row") + kCrLf);
}

std::string Interpreter::FileArgument(const std::string& arg, bool) {
  const std::vector<std::string> words = Words(arg);
  file_in_ = words.empty() ? std::string() : words[0];
  file_out_ = words.size() > 1 ? WithoutBrackets(words[1]) : std::string();
  if (!file_out_.empty()) result_tag_ = "=>(" + file_out_ + ")";
  return FileText(file_in_, "fileinp");
}

bool Interpreter::Failed(std::string& text, bool one_blank, bool at_place) {
  const int32_t code = trx_cli::GetE_Error();
  if (code == -1) return false;
  text = LibraryError(code, one_blank, at_place);
  return true;
}

std::string Interpreter::LibraryError(int32_t code, bool one_blank, bool at_place) {
  ++errors_;
  const std::string description = trx_cli::GetE_ErrDescr(code);
  std::string text = std::string(one_blank ? "===> ERROR n. = " : "===>  ERROR n. = ") +
                     std::to_string(code) + ": " + description;
  // Error 0 is a call that never got an answer: there is nobody to ask.
  if (!at_place || code == 0) return text;
  const std::string place = trx_cli::GetE_ErrPlace(nullptr);
  if (place.empty()) return text;
  if (first_placed_line_ == 0) first_placed_line_ = line_number_;
  return text + kCrLf + "       " + place;
}

std::string Interpreter::ClientError(const std::string& detail) {
  ++errors_;
  return "===>  ERROR n. = " + std::to_string(trx_cli::kInvalidParameter) + ": " +
         trx_cli::kInvalidParameterText + ": " + detail;
}

std::string Interpreter::NumberText(double value) {
  // The library flags results that are no numbers; should one still come
  // through, it is no result to show as one.
  if (!std::isfinite(value)) {
    return ClientError("the result is no finite number (" + NonFinite(value) + ")");
  }
  last_number_ = value;
  return "Number = " + FormatNumber(value, decimals_, format_);
}

bool Interpreter::FieldNumber(const std::string& name, const std::string& field, double& value,
                              std::string& error) {
  if (field.empty()) {
    error = ClientError(name + " is empty");
    return false;
  }
  if (aux::IsPlainNumber(field)) {
    value = aux::DoubleOf(field);
  } else {
    int32_t type = 0;
    if (!Evaluate(field, value, type, error)) {
      // The field is named on the error's own line, before the place in it.
      if (type == kLibraryError) {
        const std::size_t line_end = std::min(error.find(kCrLf), error.size());
        error.insert(line_end, " in " + name + " = " + field);
      }
      return false;
    }
    if (type == 1) {
      error = ClientError(name + " = " + field + " is a matrix, not a number");
      return false;
    }
  }
  if (!std::isfinite(value)) {
    error = ClientError(name + " = " + field + " is no finite number");
    return false;
  }
  return true;
}

bool Interpreter::Evaluate(const std::string& expr, double& value, int32_t& type,
                           std::string& error) {
  type = kNoType;
  trx_cli::e_eval(expr.c_str(), &value, 1);
  if (Failed(error, false, true)) {
    type = kLibraryError;
    return false;
  }
  const int32_t answer = trx_cli::GetResultType();
  if (Unanswered(error)) return false;
  type = answer;
  return true;
}

bool Interpreter::Unanswered(std::string& error) {
  if (trx_cli::Answered()) return false;
  if (!Failed(error)) error = ClientError("the server did not answer");
  return true;
}

std::string Interpreter::Store(const std::string& name, const std::string& value, int32_t kind) {
  trx_cli::SetVarFunct(name.c_str(), value.c_str(), kind);
  // SetVarFunct leaves the library's error number alone, so only a call
  // that never got through can have failed.
  std::string error;
  Unanswered(error);
  return error;
}

void Interpreter::ErrorBlock(int number, const std::string& head, const std::string& label,
                             const std::string& error) {
  AddBlock("Ln " + std::to_string(number) + ": " + head + ":" + kCrLf + std::string(7, ' ') +
           label + " => " + error + kCrLf);
}

std::string Interpreter::ResultText(double value, bool derivative_arrow) {
  std::string text;
  if (Failed(text, derivative_arrow, true)) return text;
  // Without the type, a matrix's handle would pass for the number.
  const int32_t type = trx_cli::GetResultType();
  if (Unanswered(text)) return text;
  if (type != 1) return NumberText(value);
  // A matrix result: its value is the matrix's handle.
  const std::string handle = std::to_string(static_cast<long long>(value));
  int32_t rows = 0;
  int32_t cols = 0;
  trx_cli::FindMatrix(handle.c_str(), 9, &rows, &cols);
  if (Unanswered(text)) return text;
  if (rows <= 0 || cols <= 0) return ClientError("the matrix of the result was not found");
  // The scientific form asks for every decimal the wire has and writes
  // the numbers again.
  const bool sci = format_ == NumberFormat::Scientific;
  const std::string mask = sci ? "0." + std::string(kMaxDecimals, '0') : zero_mask_;
  std::string printed =
      trx_cli::aPrint(static_cast<int32_t>(value), rows, cols, "String", mask.c_str(), "", "");
  if (Unanswered(text)) return text;
  if (sci) printed = FormatListing(printed, decimals_, format_);
  return (cols >= 2 ? "Matrix: " : "Vector: ") + printed;
}

void Interpreter::AddBlock(const std::string& block) {
  output_ += block + kCrLf;  // every block ends with an empty line
  ui_.ShowOutput(output_);
}

void Interpreter::WriteOutputFile(int number, const std::string& text) {
  if (result_tag_ == kDefaultTag || file_out_.empty()) return;
  // The result block is already out; a file that was asked for and not
  // written is a failure of its own.
  if (!WriteOutFile(file_out_, text)) {
    ErrorBlock(number, "Output file = " + file_out_, "Result",
               ClientError("can't write the file " + Resolve(file_out_, InOutDirectory())));
  }
}

void Interpreter::Expression(const Line& line, const std::string& expr) {
  double value = 0.0;
  trx_cli::e_eval(expr.c_str(), &value, 1);
  const std::string text = ResultText(value);
  AddBlock("Ln " + std::to_string(line.number) + ": Expression = " + expr + ": " + result_tag_ +
           kCrLf + kResult + text + kCrLf);
  WriteOutputFile(line.number, text);
}

void Interpreter::StoreExpression(const Line& line) {
  const std::size_t open = line.text.find('(');
  const std::size_t close =
      open == std::string::npos ? std::string::npos : line.text.find(')', open);
  std::string name = open == std::string::npos || close == std::string::npos
                         ? std::string()
                         : aux::Trim(line.text.substr(open + 1, close - open - 1));
  const std::string fields = name + ";";
  if (!aux::Trim(aux::FieldS(fields, 2)).empty()) {
    result_tag_ = "(=>" + std::string(aux::FieldS(fields, 2)) + " " +
                  std::string(aux::FieldS(fields, 3)) + ")";
  }
  name = aux::Trim(aux::FieldS(fields, 1));
  const std::string expr = WithoutApostrophes(line.arg);
  std::string stored;
  if (name.empty()) {
    stored = ClientError("no name to store the value as: StoExpr(name) = expression");
  } else {
    double value = 0.0;
    int32_t type = 0;
    if (Evaluate(expr, value, type, stored)) {
      stored = type != 1 ? StoredNumber(name, value) : StoredMatrix(name, value);
    }
  }
  AddBlock("Ln " + std::to_string(line.number) + ": Expression = " + expr + ": " + result_tag_ +
           kCrLf + "       Stored => " + stored + kCrLf);
  WriteOutputFile(line.number, stored);
}

std::string Interpreter::StoredNumber(const std::string& name, double value) {
  if (!std::isfinite(value)) {
    return ClientError("the result is no finite number (" + NonFinite(value) + ")");
  }
  // The variable keeps every decimal the wire brought, not only those shown:
  // a third stored with four decimals would make three thirds 0.9999.
  const std::string error = Store(name, aux::ShortNumber(value), 0);
  if (!error.empty()) return error;
  last_number_ = value;
  return "Number " + name + " = " + FormatNumber(value, decimals_, format_);
}

std::string Interpreter::StoredMatrix(const std::string& name, double handle_value) {
  int32_t rows = 0;
  int32_t cols = 0;
  const std::string handle = std::to_string(static_cast<long long>(handle_value));
  const double* elements = trx_cli::FindMatrix(handle.c_str(), 9, &rows, &cols);
  std::string error;
  if (Unanswered(error)) return error;
  const std::string head =
      Bracketed(name) + "; " + std::to_string(rows) + "; " + std::to_string(cols) + ";";
  std::string definition = head;
  std::string shown = head;
  for (int32_t k = 0; elements != nullptr && k < rows * cols; ++k) {
    definition += aux::ShortNumber(elements[k]) + "; ";
    shown += FormatTidy(elements[k], decimals_, format_) + "; ";
  }
  trx_cli::SetStrMatrix(definition.c_str(), 0, 1);
  if (Failed(error)) return error;
  return (cols == 1 ? "Vect = " : "Matr = ") + shown;
}

void Interpreter::Variable(const Line& line) {
  const std::string fields = line.arg + ";";
  const std::string name = aux::Trim(aux::FieldS(fields, 1));
  const std::string value = aux::Trim(aux::FieldS(fields, 2));
  std::string error;
  if (name.empty()) {
    error = ClientError("no variable name: Var = name; value");
  } else if (value.empty()) {
    error = ClientError("no value for " + name + ": Var = name; value");
  } else if (aux::IsPlainNumber(value)) {
    if (std::isfinite(aux::DoubleOf(value))) {
      error = Store(name, value, 0);
    } else {
      error = ClientError("the value " + value + " lies beyond the range of a number");
    }
  } else {
    // Any other value is an expression, stored as the number it gives.
    double number = 0.0;
    int32_t type = 0;
    if (Evaluate(value, number, type, error)) {
      if (type == 1) {
        error = ClientError("a variable holds a number; StoExpr(name) = ... stores a matrix");
      } else if (!std::isfinite(number)) {
        error = ClientError("the value is no finite number (" + NonFinite(number) + ")");
      } else {
        error = Store(name, aux::ShortNumber(number), 0);
      }
    }
  }
  if (!error.empty()) ErrorBlock(line.number, "Var = " + line.arg, "Stored", error);
}

void Interpreter::Function(const Line& line, const std::string& name, const std::string& body) {
  std::string error;
  if (name.empty()) {
    error = ClientError("no function name");
  } else if (body.empty()) {
    // A FunctF file that cannot be read ends here too: its message box
    // alone would leave the run counted as a success.
    error = ClientError("the function " + name + " has no body" +
                        (file_in_.empty() ? "" : " (file " + file_in_ + ")"));
  } else {
    error = Store(name, body, 1);
  }
  if (!error.empty()) {
    const std::string head = (line.keyword == "functf" ? "FunctF = " : "Funct = ") + line.arg;
    ErrorBlock(line.number, head, "Stored", error);
  }
}

void Interpreter::IntegrateLine(int number, const std::string& text) {
  const std::size_t open = text.find('(');
  const std::size_t close = open == std::string::npos ? std::string::npos : text.find(')', open);
  const std::string params =
      aux::Lower(aux::Trim((open == std::string::npos || close == std::string::npos
                                ? std::string()
                                : text.substr(open + 1, close - open - 1)) +
                           ";"));
  const std::string from_field = aux::Trim(aux::FieldS(params, 1));
  const std::string to_field = aux::Trim(aux::FieldS(params, 2));
  const std::string rule = aux::Trim(aux::FieldS(params, 4));
  const std::string var = aux::Trim(aux::FieldS(params, 5));
  const std::size_t eq = text.find('=');
  const std::string expr = eq == std::string::npos ? std::string() : aux::Trim(text.substr(eq + 1));
  // A limit that gives no number is shown as typed.
  std::string from_shown = from_field;
  std::string to_shown = to_field;
  double from = 0.0;
  double to = 0.0;
  double steps = 0.0;
  std::string result;
  if (FieldNumber("from", from_field, from, result)) {
    from_shown = Whole(from);
    if (FieldNumber("to", to_field, to, result)) {
      to_shown = Whole(to);
      FieldNumber("steps", aux::Trim(aux::FieldS(params, 3)), steps, result);
    }
  }
  const int32_t method = aux::IntegrationMethod(rule);
  if (result.empty() && method < 0) {
    result = ClientError("unknown integration rule '" + rule + "': rect, trap or simp");
  } else if (result.empty() && var.empty()) {
    result = ClientError(
        "no integration variable: Integrate(from; to; steps; "
        "rule; variable) = expression");
  } else if (result.empty()) {
    steps = std::nearbyint(steps);
    const int32_t n = steps > 2147483647.0    ? INT32_MAX
                      : steps < -2147483648.0 ? INT32_MIN
                                              : static_cast<int32_t>(steps);
    double value = 0.0;
    trx_cli::Integrate(expr.c_str(), from, to, n, method, var.c_str(), &value);
    if (!Failed(result)) result = NumberText(value);
  }
  AddBlock("Ln " + std::to_string(number) + ": iFunction = " + expr + ": " + result_tag_ + kCrLf +
           "       Integral iFunction(" + from_shown + "," + to_shown + ") => " + result + kCrLf);
  WriteOutputFile(number, result);
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
  WriteOutputFile(number, result);
}

void Interpreter::PlotLine(const Line& line) {
  Plot plot = ParsePlotLine(line.text, plots_ + 1);
  const std::string head = "Plot = " + plot.expr;
  std::string error;
  double steps = 0.0;
  if (FieldNumber("from", PlotParameter(line.text, 1), plot.from, error) &&
      FieldNumber("to", PlotParameter(line.text, 3), plot.to, error) &&
      FieldNumber("steps", PlotParameter(line.text, 4), steps, error)) {
    plot.steps = PlotSteps(steps);
    if (plot.var.empty()) {
      error = ClientError(
          "no plot variable: Plot(from; variable; to; steps; "
          "[file]) = expression");
    } else if (plot.steps < 0) {
      error = ClientError("steps = " + PlotParameter(line.text, 4) +
                          ": the number of steps must lie between 0 and " +
                          std::to_string(kMaxPlotSteps));
    } else if (const std::string option = PlotOptionError(line.text); !option.empty()) {
      error = ClientError(option);
    } else {
      ComputeSamples(plot);
      if (!HasFiniteSample(plot)) {
        // No point of the curve could be computed: the error of the last
        // sample says why (often all samples fail alike).
        error = plot.error == -1 ? ClientError("no sample of the curve is a finite number")
                                 : LibraryError(plot.error);
      }
    }
  }
  // The data file is written whatever happened, with the finite samples
  // only: an old file of the same name would otherwise pass for this run's.
  if (!plot.file.empty() && !SavePlotData(plot, plot.file) && error.empty()) {
    error = ClientError("can't write the data file " + Resolve(plot.file, ProgramDirectory()));
  }
  if (!error.empty()) ErrorBlock(line.number, head, "Result", error);
  if (!HasFiniteSample(plot)) return;
  // "same" joins the window of the plot before, if the run has one.
  plot.number = plot.same && plots_ > 0 ? plots_ : ++plots_;
  ui_.ShowPlot(plot);
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
               : Bracketed(aux::Trim(text.substr(eq + 1, open - eq - 1)));
    sizes = close == std::string::npos ? std::string() : text.substr(open + 1, close - open - 1);
  };
  // Each element assignment adds the text after its "=", until an empty field.
  auto elements = [](const std::string& text, std::string& definition) {
    const std::size_t eq = text.find('=');
    const std::string fields =
        (eq == std::string::npos ? std::string() : text.substr(eq + 1)) + ";";
    for (int f = 2;; ++f) {
      const std::string field = aux::Trim(aux::FieldS(fields, f));
      if (field.empty()) break;
      const std::size_t assign = field.find('=');
      definition +=
          ";" + aux::Trim(assign == std::string::npos ? std::string() : field.substr(assign + 1));
    }
  };

  std::string name;
  std::string sizes;
  header(first.text, name, sizes);
  std::string dims = sizes + ";";
  std::replace(dims.begin(), dims.end(), ',', ';');
  std::string definition =
      name + ";" + aux::Trim(aux::FieldS(dims, 1)) + ";" + aux::Trim(aux::FieldS(dims, 2));
  elements(first.text, definition);
  int last = first.number;
  while (index + 1 < lines.size()) {
    std::string next = aux::Trim(lines[index + 1]);
    if (aux::Lower(next.substr(0, 4)) != "dimx") break;
    next = next.substr(0, next.find('\''));
    std::string next_name;
    std::string next_sizes;
    header(next, next_name, next_sizes);
    if (next_name != name) break;  // a new group: that line runs on its own
    elements(next, definition);
    ++index;
    last = first_number_ + static_cast<int>(index);
  }
  Matrix(last, definition, "", 7);
}

}  // namespace corvane
