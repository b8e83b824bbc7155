// The expression engine's state: the frame, the message settings, the
// variable and function lists and the process-wide Scanner. Its one instance
// is a member of the process-wide engine (engine.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "name_list.h"

namespace tarnix {

using MsgBoxHandler = void (*)(const char* text, const char* title);
using ProgressHandler = int32_t (*)(void* context);

// Token classes of the scanner. The text the parser and the trace call e_tok
// is derived from the class (see e_tok): "num", "hex", "const", "matrix",
// "id", or the token's own spelling for words and operators.
enum class Tok : uint8_t {
  End,
  Num,
  Hex,
  Const,
  Matrix,
  Id,
  StatWord,  // min max avg ... mean
  MatFunc,   // det trace syst vcoeff
  And,
  Eqv,
  Imp,
  Mod,
  Not,
  Or,
  Xor,
  Caret,
  Star,
  Slash,
  Backslash,
  Plus,
  Minus,
  Eq,
  Lt,
  Gt,
  Ne,
  Le,
  Ge,
  Shr,  // ">>": scanned, but no operator
  LParen,
  RParen,
  Semicolon,
  Abscissa,  // the mark of a compiled abscissa (Scanner::abscissa_mark)
  Other,     // any other single character
};

// The scanner's state: the text of one expression, where the scanner stands
// in it (e_input is gExpr from e_pos on: the scanner reads by index) and the
// token it read last. The scanner and the parser are handed the scanner they
// work on; the reports and the matrix steps read the process-wide one, the
// State's own.
struct Scanner {
  std::string gExpr;
  std::size_t e_pos = 0;
  Tok tok = Tok::End;
  std::size_t tok_start = 0;  // where the token read last begins in gExpr
  // Where the last matrix name read lies in gExpr (empty before the first):
  // a failing matrix step is told by the matrix it read last.
  std::size_t matrix_start = 0;
  std::size_t matrix_end = 0;
  // The token's own text: a view into gExpr, into name_buffer (identifiers
  // with capitals, lowered; numbers of variables) or into a constant text.
  std::string_view e_spelling;
  std::string name_buffer;
  double tok_value = 0;  // numeric value of a Num or Hex token
  char MatrixSuffix = 0;
  uint32_t e_cnt = 0;
  // The next expression's text, prepared (commas, user functions) before
  // it replaces gExpr; kept between evaluations so that they do not allocate.
  std::string next_text;
  // A character read as Tok::Abscissa; 0 for none. Only the compiler of
  // sampled expressions (compile.h) sets it, on a scanner of its own.
  char abscissa_mark = 0;
};

// Where the scanner stood when an evaluation failed: the token's place in
// the text the parser read, its text and kind, and whether that text was the
// caller's own (user functions pasted in move every column after them).
struct ErrorPlace {
  int16_t code = 0;  // the failure it belongs to; 0 for none
  std::size_t column = 0;
  std::string token;
  Tok tok = Tok::End;
  bool callers_text = true;
};

struct State : Scanner {
  // Frame.
  int16_t e_error = 0;
  ErrorPlace place;
  uint32_t failures = 0;              // counts the failures recorded: a step can tell its own
  bool scanning_callers_text = true;  // no user function was pasted into gExpr
  int8_t ResultType = 0;
  int32_t DebugFlags = 0;
  int32_t MsgMode = 0;
  std::string MsgLog;
  int32_t BoolTrue = -1;
  std::vector<char> returned_text;  // holder of every text handed out
  MsgBoxHandler msg_box_handler = nullptr;

  // Parser.
  int32_t depth = 0;

  // Matrix engine hooks used by the evaluator.
  bool InternalMode = false;
  int32_t MatrResultRows = 0;
  int32_t MatrResultCols = 0;

  // Variables and user functions.
  NameList VarList;
  NameList FunctList;

  // Random numbers of rnd (xorshift64*).
  uint64_t rng_state = 0;

  // The host's hold on a call (SetProgressHandler, SetCallLimits). call_depth
  // counts the exports running: an export called by another is no new call.
  ProgressHandler progress_handler = nullptr;
  void* progress_context = nullptr;
  int32_t progress_period = 1000;
  int32_t progress_countdown = 1000;
  int32_t call_depth = 0;
  uint64_t matrix_bytes = 0;          // element storage of matrices the library holds
  uint64_t matrix_bytes_at_call = 0;  // ... when the running call began
  uint64_t matrix_limit = 0;          // bytes a call may add; 0 for no limit
  int32_t entry_limit = 0;            // variables, functions and matrices; 0 for no limit

  // Scratch text reused between calls so that the hot path does not allocate.
  std::string work_points;

  // Whether e_evals and Integrate may run their expression as a compiled
  // program (compile.h). Off, every point is evaluated from its text: the
  // tests compare both ways.
  bool compile_points = true;
};

// The process-wide engine's state (a reference bound as the library loads).
extern State& gs;

}  // namespace tarnix
