// The script interpreter of Corvane: one command per line, one result block
// per command, every library call a remote one. It knows nothing of
// windows: it talks to the user interface through UserInterface, which the
// batch mode implements and the main window will.
#pragma once

#include <string>
#include <vector>

#include "aPlot/plot.h"

namespace corvane {

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // The whole Output text, after every block.
  virtual void ShowOutput(const std::string& text) = 0;
  // The Messages field: "No errors", or the count in white on red.
  virtual void ShowMessages(const std::string& text, bool errors) = 0;
  // Plot windows: all of the last run go before a run; then one per Plot line.
  virtual void ClosePlots() = 0;
  virtual void ShowPlot(const Plot& plot) = 0;
};

class Interpreter {
 public:
  explicit Interpreter(UserInterface& ui) : ui_(ui) {}

  // Runs script (lines separated by LF or CR LF) with the number of
  // decimals given as the text of the decimals field. Returns the number of
  // errors found.
  int Run(const std::string& script, const std::string& decimals_text);
  const std::string& Output() const { return output_; }

 private:
  struct Line {
    int number = 0;       // N, from 1
    std::string text;     // trimmed, comment cut
    std::string keyword;  // trimmed, lower case
    std::string arg;      // trimmed text after the first "="
  };

  void Dispatch(const Line& line, const std::vector<std::string>& lines, std::size_t& index);
  void Expression(const Line& line, const std::string& expr);
  void StoreExpression(const Line& line);
  void IntegrateLine(int number, const std::string& text);
  void Solve(const Line& line);
  void Derive(int number, const std::string& polynomial);
  void Matrix(int number, const std::string& definition, const std::string& tag, int blanks);
  void DimXGroup(const Line& first, const std::vector<std::string>& lines, std::size_t& index);
  // Reads the file of a file command; sets the file names and the tag.
  std::string FileArgument(const std::string& arg, bool function_first);

  // The result text of the last call: its error, the matrix or the number.
  std::string ResultText(double value, bool derivative_arrow = false);
  // "===>  ERROR n. = code: description" when the last call failed.
  bool Failed(std::string& text, bool one_blank = false);
  std::string NumberText(double value) const;
  void AddBlock(const std::string& block);
  void WriteOutputFile(const std::string& text);

  UserInterface& ui_;
  std::string output_;
  int errors_ = 0;
  int decimals_ = 0;
  std::string zero_mask_;
  std::string poly_variable_;
  std::string file_in_;
  std::string file_out_;
  std::string result_tag_;
  int plots_ = 0;
};

// Reads a line into its keyword as the interpreter does ("" when the line
// has no "=" or is a comment).
std::string KeywordOf(const std::string& line);

}  // namespace corvane
