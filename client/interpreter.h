// The script interpreter of Corvane: one command per line, one result block
// per command, every library call a remote one. It knows nothing of
// windows: it talks to the user interface through UserInterface, which the
// batch mode implements and the main window will.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "aPlot/plot.h"
#include "number_format.h"

namespace corvane {

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // The whole Output text, after every block.
  virtual void ShowOutput(const std::string& text) = 0;
  // The Messages field: "No errors", or the count in white on red.
  virtual void ShowMessages(const std::string& text, bool errors) = 0;
  // Plot windows: all of the last run go before a run; then one per Plot line,
  // but a plot with "same" carries the number of the window it joins.
  virtual void ClosePlots() = 0;
  virtual void ShowPlot(const Plot& plot) = 0;
};

// Numbers cross the wire with ten decimals: more would be invented digits.
inline constexpr int kMaxDecimals = 10;

class Interpreter {
 public:
  explicit Interpreter(UserInterface& ui) : ui_(ui) {}

  // Runs script (lines separated by LF or CR LF, a leading UTF-8
  // byte-order mark skipped) with the number of decimals given as the text
  // of the decimals field, 0 to kMaxDecimals. Returns the number of errors
  // found.
  int Run(const std::string& script, const std::string& decimals_text);
  // Runs one more line after those run before, as the prompt does: what
  // earlier lines set up (the polynomial variable, the count of plots) is
  // kept, and the line's block is numbered number. The Output text holds
  // this line's blocks only. Returns the number of errors found in it.
  int RunLine(const std::string& line, int number, const std::string& decimals_text);
  const std::string& Output() const { return output_; }
  // How result numbers are written (fixed point unless set).
  void SetNumberFormat(NumberFormat format) { format_ = format; }
  NumberFormat Format() const { return format_; }
  // The line (from 1) of the first error the library could place in the
  // text of the last run; 0 when it placed none.
  int FirstPlacedErrorLine() const { return first_placed_line_; }
  // The number the last Run or RunLine ended with as its result (a value,
  // an integral, a root, a stored number); nothing when the last result
  // was a matrix, an error or no result at all.
  const std::optional<double>& LastNumber() const { return last_number_; }
  // True for the keyword (lower case, as KeywordOf gives it) of a command.
  static bool IsCommand(std::string_view keyword);
  // The keywords of the commands, lower case, in the table's order.
  static std::vector<std::string_view> CommandKeywords();

 private:
  struct Line {
    int number = 0;       // N, from 1
    std::string text;     // trimmed, comment cut
    std::string keyword;  // trimmed, lower case
    std::string arg;      // trimmed text after the first "="
  };

  // The lines of the script and the index of the line being run, which a
  // command that reads the lines after its own (DimX) moves on.
  struct Script {
    const std::vector<std::string>& lines;
    std::size_t& index;
  };
  // One command: its keyword, lower case, and what runs a line of it.
  struct Command {
    std::string_view keyword;
    void (*run)(Interpreter& interpreter, const Line& line, Script& script);
  };
  static const Command kCommands[];

  // The lines of text, the first numbered first_number; the state of the
  // run so far is kept.
  int RunLines(const std::string& text, const std::string& decimals_text, int first_number);
  void Dispatch(const Line& line, const std::vector<std::string>& lines, std::size_t& index);
  void Expression(const Line& line, const std::string& expr);
  void ExpressionFile(const Line& line);
  void StoreExpression(const Line& line);
  void Variable(const Line& line);
  void Function(const Line& line, const std::string& name, const std::string& body);
  void FunctionLine(const Line& line);
  void FunctionFile(const Line& line);
  void ElementOrderExample(const Line& line);
  void IntegrateLine(int number, const std::string& text);
  void IntegrateFile(const Line& line);
  void PlotLine(const Line& line);
  void Solve(const Line& line);
  void Derive(int number, const std::string& polynomial);
  void DeriveLine(const Line& line);
  void DeriveFile(const Line& line);
  void Matrix(int number, const std::string& definition, const std::string& tag, int blanks);
  void MatrixLine(const Line& line);
  void MatrixFile(const Line& line);
  void DimXGroup(const Line& first, const std::vector<std::string>& lines, std::size_t& index);
  // Reads the file of a file command; sets the file names and the tag.
  std::string FileArgument(const std::string& arg, bool function_first);

  // The result text of the last call: its error, the matrix or the number.
  std::string ResultText(double value, bool derivative_arrow = false);
  // "===>  ERROR n. = code: description" when the last call failed; after
  // an evaluation of the user's own text (at_place) followed by the line
  // that says where in it the library stopped, when it knows.
  bool Failed(std::string& text, bool one_blank = false, bool at_place = false);
  // The error block text of a library error number, counted.
  std::string LibraryError(int32_t code, bool one_blank = false, bool at_place = false);
  // A fault the client finds itself: the invalid-parameter error followed
  // by detail, counted like the library's errors.
  std::string ClientError(const std::string& detail);
  // "Number = ..." with the decimals, or an error for a value that is no
  // finite number.
  std::string NumberText(double value);
  // A number field of Integrate or Plot: a plain number as written, any
  // other text evaluated. False, with error set, when it gives no number.
  bool FieldNumber(const std::string& name, const std::string& field, double& value,
                   std::string& error);
  // After a call whose reply carries no error number of its own: true,
  // with error set, when the call got no complete answer.
  bool Unanswered(std::string& error);
  // e_eval with check, then the result's type (0 number, 1 matrix): false
  // with the error text when the library failed (type kLibraryError) or a
  // reply never came (type kNoType).
  bool Evaluate(const std::string& expr, double& value, int32_t& type, std::string& error);
  static constexpr int32_t kNoType = -2;
  static constexpr int32_t kLibraryError = -3;
  // Stores a variable (kind 0) or a function (1); "" or the error of the call.
  std::string Store(const std::string& name, const std::string& value, int32_t kind);
  // StoExpr's two results: the block text after "Stored => ".
  std::string StoredNumber(const std::string& name, double value);
  std::string StoredMatrix(const std::string& name, double handle_value);
  void AddBlock(const std::string& block);
  // "Ln N: head:" and one result line labelled label.
  void ErrorBlock(int number, const std::string& head, const std::string& label,
                  const std::string& error);
  void WriteOutputFile(int number, const std::string& text);

  UserInterface& ui_;
  std::string output_;
  int errors_ = 0;
  int line_number_ = 0;  // of the line being run
  int first_placed_line_ = 0;
  int decimals_ = 0;
  std::string zero_mask_;
  std::string poly_variable_;
  std::string file_in_;
  std::string file_out_;
  std::string result_tag_;
  int plots_ = 0;
  NumberFormat format_ = NumberFormat::Fixed;
  int first_number_ = 1;
  std::optional<double> last_number_;
};

// Reads a line into its keyword as the interpreter does ("" when the line
// has no "=" or is a comment).
std::string KeywordOf(const std::string& line);

}  // namespace corvane
